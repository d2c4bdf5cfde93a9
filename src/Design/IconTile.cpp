#include "Design/IconTile.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/SymbolPainter.h"

namespace {

QColor towardWhite(const QColor& color, float amount) {
    return QColor::fromRgbF(color.redF() + (1 - color.redF()) * amount,
                            color.greenF() + (1 - color.greenF()) * amount,
                            color.blueF() + (1 - color.blueF()) * amount, color.alphaF());
}

}  // namespace

IconTile::IconTile(const QString& symbol, const DS::Color& color, qreal size, QWidget* parent)
    : QWidget(parent), symbol_(symbol), color_(color), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize IconTile::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void IconTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(QPointF(width() - size_, height() - size_) / 2, QSizeF(size_, size_));
    const QColor base = color_.resolve(this);
    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0, towardWhite(base, 0.18f));
    gradient.setColorAt(1, base);
    painter.fillPath(RoundedBox::path(square, size_ * 0.25), gradient);
    const qreal side = size_ * 0.55;
    SymbolPainter::paint(painter, symbol_,
                         QRectF(square.center() - QPointF(side, side) / 2, QSizeF(side, side)),
                         Qt::white, QFont::DemiBold);
}
