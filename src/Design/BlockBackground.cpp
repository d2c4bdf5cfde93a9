#include "Design/BlockBackground.h"

#include <QPainter>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

BlockBackground::BlockBackground(QWidget* parent) : QWidget(parent) {}

void BlockBackground::paint(QPainter& painter, const QWidget* widget, const QRectF& rect) {
    RoundedBox::fill(painter, rect, 12, DS::Palette::fill.resolve(widget));
}

void BlockBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, this, rect());
}
