#include "Panel/ContentTransformEffect.h"

#include <QPainter>

ContentTransformEffect::ContentTransformEffect(QObject* parent) : QGraphicsEffect(parent) {}

void ContentTransformEffect::setTransform(const QTransform& transform) {
    if (transform == transform_)
        return;
    transform_ = transform;
    update();
}

void ContentTransformEffect::draw(QPainter* painter) {
    if (transform_.isIdentity()) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setTransform(transform_, true);
    painter->drawPixmap(offset, picture);
    painter->restore();
}
