#include "Design/Keycap.h"

#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/LabelRow.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

Keycap::Keycap(const QString& text, QWidget* parent)
    : TextWidget(text, DS::Palette::secondary, parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Keycap::sizeHint() const {
    const QSizeF content = LabelRow({LabelRow::text(text())}).size(DS::Font::keycap());
    return {std::max(18, static_cast<int>(std::ceil(content.width() + 10))),
            std::max(17, static_cast<int>(std::ceil(content.height())))};
}

void Keycap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RoundedBox::fill(painter, rect(), 5, DS::Palette::fillStrong.resolve(this));
    LabelRow({LabelRow::text(text())})
        .paint(painter, rect(), DS::Font::keycap(), color().resolve(this), this);
}
