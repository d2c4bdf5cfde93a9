#include "SettingsWindow/Tabs/ToneChip.h"

#include <QPainter>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

ToneChip::ToneChip(TonePreset preset, QWidget* parent) : QAbstractButton(parent), preset_(preset) {
    setText(title(preset));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ToneChip::setSelected(bool selected) {
    if (selected_ == selected)
        return;
    selected_ = selected;
    // Screen readers hear the state as that of a checkable button.
    setCheckable(true);
    setChecked(selected);
    setCheckable(false);
    updateGeometry();
    update();
}

QFont ToneChip::chipFont() const {
    return DS::Font::system(12.5, selected_ ? QFont::DemiBold : QFont::Normal);
}

QSize ToneChip::sizeHint() const {
    // Measured in the heavier weight, so the chip keeps its width when chosen.
    const QFontMetricsF metrics(DS::Font::system(12.5, QFont::DemiBold));
    return {int(std::ceil(metrics.horizontalAdvance(text()))) + 24, 26};
}

void ToneChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    if (selected_) {
        painter.fillPath(RoundedBox::capsule(box), DS::Palette::accentSoft.resolve(this));
        RoundedBox::strokeInside(painter, box, box.height() / 2, DS::Palette::accent.resolve(this),
                                 1);
    } else {
        RoundedBox::strokeInside(painter, box, box.height() / 2,
                                 DS::Palette::strokeStrong.resolve(this), 0.5);
    }
    if (hasFocus())
        RoundedBox::strokeInside(painter, box, box.height() / 2,
                                 DS::Palette::accentText.resolve(this), 1.5);
    painter.setFont(chipFont());
    painter.setPen((selected_ ? DS::Palette::accentText : DS::Palette::label).resolve(this));
    painter.drawText(box, Qt::AlignCenter, text());
}
