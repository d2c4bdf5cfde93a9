#include "SettingsWindow/Blocks/RadioMark.h"

#include <QPainter>

#include "Design/Palette.h"

RadioMark::RadioMark(bool selected, QWidget* parent) : QWidget(parent), selected_(selected) {
    setFixedSize(16, 16);
}

void RadioMark::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    update();
}

void RadioMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0, 0, 16, 16);
    if (selected_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(DS::Palette::accent.resolve(this));
        painter.drawEllipse(box);
        painter.setBrush(DS::Palette::white.resolve(this));
        painter.drawEllipse(QRectF(5, 5, 6, 6));
        return;
    }
    // A ring of width 1 drawn inside the box.
    painter.setPen(QPen(DS::Palette::strokeStrong.resolve(this), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
}
