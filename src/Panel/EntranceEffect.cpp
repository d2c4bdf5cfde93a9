#include "Panel/EntranceEffect.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

EntranceEffect::EntranceEffect(bool blur, QObject* parent) : QGraphicsEffect(parent), blur_(blur) {}

void EntranceEffect::setProgress(qreal progress) {
    if (progress == progress_)
        return;
    progress_ = progress;
    update();
}

QRectF EntranceEffect::boundingRectFor(const QRectF& rect) const {
    return rect.adjusted(-kBlurRadius, -kBlurRadius, kBlurRadius, kOffset + kBlurRadius);
}

void EntranceEffect::draw(QPainter* painter) {
    // Not yet entered is fully transparent: the section's picture is not even made, which
    // keeps the panel's first frame, right after the shortcut, cheap.
    if (progress_ <= 0)
        return;
    const qreal remaining = 1 - progress_;
    // Always through a picture, also at rest: painted directly, the section would open a
    // second painter on the window for a row inside it that fades in with its own effect,
    // and that row would not show.
    QPoint offset;
    QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset);
    const qreal radius = blur_ ? kBlurRadius * std::clamp(remaining, 0.0, 1.0) : 0;
    if (radius >= 0.5) {
        // A cheap blur: the picture scaled down by the radius and smoothly back up.
        const qreal factor = 1.0 / (1.0 + radius);
        const QSize small = (QSizeF(picture.size()) * factor).toSize().expandedTo(QSize(1, 1));
        picture = picture.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    painter->save();
    painter->setOpacity(painter->opacity() * std::clamp(progress_, 0.0, 1.0));
    painter->drawPixmap(offset + QPointF(0, kOffset * remaining), picture);
    painter->restore();
}
