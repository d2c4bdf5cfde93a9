#include "SettingsWindow/Blocks/CardBox.h"

#include <QPainter>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

CardBox::CardBox(QWidget* parent) : QWidget(parent) {}

void CardBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), 12, DS::Palette::card.resolve(this));
    RoundedBox::strokeInside(painter, rect(), 12, DS::Palette::stroke.resolve(this), 0.5);
}
