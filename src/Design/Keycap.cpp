#include "Design/Keycap.h"

#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/LabelRow.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

Keycap::Keycap(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void Keycap::setText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize Keycap::sizeHint() const {
    const QSizeF content = LabelRow({LabelRow::text(text_)}).size(DS::Font::keycap());
    return {std::max(18, static_cast<int>(std::ceil(content.width() + 10))),
            std::max(17, static_cast<int>(std::ceil(content.height())))};
}

void Keycap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RoundedBox::fill(painter, rect(), 5, DS::Palette::fillStrong.resolve(this));
    LabelRow({LabelRow::text(text_)})
        .paint(painter, rect(), DS::Font::keycap(), DS::Palette::secondary.resolve(this), this);
}
