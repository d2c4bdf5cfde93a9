#include "Panel/SymbolGlyph.h"

#include <QPainter>
#include <cmath>

#include "Design/SymbolPainter.h"

SymbolGlyph::SymbolGlyph(const QString& name, qreal side, QFont::Weight weight,
                         const DS::Color& color, QWidget* parent)
    : QWidget(parent), name_(name), weight_(weight), color_(color) {
    setFixedSize(int(std::ceil(side)), int(std::ceil(side)));
}

void SymbolGlyph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    SymbolPainter::paint(painter, name_, rect(), color_.resolve(this), weight_);
}
