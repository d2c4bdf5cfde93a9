#include "Design/StatusDot.h"

#include <QPainter>
#include <cmath>

StatusDot::StatusDot(const DS::Color& color, qreal size, QWidget* parent)
    : QWidget(parent), color_(color), size_(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setColor(const DS::Color& color) {
    if (color_ == color)
        return;
    color_ = color;
    update();
}

void StatusDot::setOpacity(qreal opacity) {
    if (opacity_ == opacity)
        return;
    opacity_ = opacity;
    update();
}

QSize StatusDot::sizeHint() const {
    const int side = static_cast<int>(std::ceil(size_));
    return {side, side};
}

void StatusDot::paintDot(QPainter& painter, const QRectF& box, const QColor& color) {
    const qreal side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(
        QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side));
    painter.restore();
}

void StatusDot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(opacity_);
    const QRectF box(QPointF(width() - size_, height() - size_) / 2, QSizeF(size_, size_));
    paintDot(painter, box, color_.resolve(this));
}
