#include "Design/FieldIconButton.h"

#include <QPainter>
#include <cmath>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolPainter.h"

FieldIconButton::FieldIconButton(const QString& symbol, qreal size, const QString& label,
                                 QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(label);
}

void FieldIconButton::setSymbol(const QString& symbol) {
    if (symbol_ == symbol)
        return;
    symbol_ = symbol;
    update();
}

void FieldIconButton::setActive(bool active) {
    if (active_ == active)
        return;
    active_ = active;
    update();
}

QSize FieldIconButton::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void FieldIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF square(QPointF(width() - size_, height() - size_) / 2, QSizeF(size_, size_));
    RoundedBox::fill(painter, square, size_ * 0.28,
                     (active_ ? DS::Palette::accent : DS::Palette::fill).resolve(this));
    const qreal symbolSide = size_ * 0.42;
    SymbolPainter::paint(painter, symbol_,
                         QRectF(square.center() - QPointF(symbolSide, symbolSide) / 2,
                                QSizeF(symbolSide, symbolSide)),
                         (active_ ? DS::Palette::white : DS::Palette::secondary).resolve(this),
                         QFont::Medium);
}
