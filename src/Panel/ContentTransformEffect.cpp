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
    // Always through a picture, also untransformed: painted directly, the content would open
    // a second painter on the window for each section inside it that has an effect of its
    // own, and those sections would not show.
    QPoint offset;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setTransform(transform_, true);
    painter->drawPixmap(offset, picture);
    painter->restore();
}
