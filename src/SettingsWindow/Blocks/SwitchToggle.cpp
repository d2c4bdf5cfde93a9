#include "SettingsWindow/Blocks/SwitchToggle.h"

#include <QPainter>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

SwitchToggle::SwitchToggle(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A switch that cannot be used is drawn faint, so it does not claim a state it cannot
    // change.
    if (!isEnabled())
        painter.setOpacity(0.45);
    const QRectF track = rect();
    const QColor trackColor =
        isChecked() ? DS::Palette::accent.resolve(this) : DS::Palette::strokeStrong.resolve(this);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColor);
    painter.drawPath(RoundedBox::capsule(track));

    if (hasFocus())
        RoundedBox::strokeInside(painter, track, track.height() / 2,
                                 DS::Palette::accentText.resolve(this), 1.5);

    const qreal inset = 2;
    const qreal knob = track.height() - 2 * inset;
    const qreal x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    const QRectF knobBox(x, inset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobBox.translated(0, 0.5));
    painter.setBrush(DS::Palette::white.resolve(this));
    painter.drawEllipse(knobBox);
}
