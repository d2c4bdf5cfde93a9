#include "Panel/CardFrame.h"

#include <QPainter>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

CardFrame::CardFrame(const DS::Color& border, qreal borderOpacity, qreal borderWidth,
                     QWidget* parent)
    : QWidget(parent), border_(border), borderOpacity_(borderOpacity), borderWidth_(borderWidth) {}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), kRadius, DS::Palette::answerBG.resolve(this));
    QColor border = border_.resolve(this);
    border.setAlphaF(border.alphaF() * borderOpacity_);
    RoundedBox::strokeInside(painter, rect(), kRadius, border, borderWidth_);
}
