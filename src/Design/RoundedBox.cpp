#include "Design/RoundedBox.h"

#include <QPainter>
#include <algorithm>

namespace RoundedBox {

namespace {

// A circular corner of radius r passes 0.2929·r from the corner point on each axis at its
// middle. The continuous corner starts 1.28·r along each edge and places its controls so
// that its middle lies at that same point: the corner looks as round, the join is softer.
// When the start is cut to half the side, the controls move out until, at a capsule, the
// curve is a circular arc again.
constexpr qreal extent = 1.28;
constexpr qreal circleMiddle = 0.29289;

}  // namespace

QPainterPath path(const QRectF& rect, qreal radius) {
    QPainterPath result;
    const QRectF r = rect.normalized();
    const qreal half = std::min(r.width(), r.height()) / 2;
    if (radius <= 0 || half <= 0) {
        result.addRect(r);
        return result;
    }
    const qreal a = std::min(extent * radius, half);
    const qreal middle = circleMiddle * std::min(radius, half);
    const qreal c = std::max<qreal>(0, (middle - 0.125 * a) / 0.375);

    const qreal l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    result.moveTo(l + a, t);
    result.lineTo(rt - a, t);
    result.cubicTo(rt - c, t, rt, t + c, rt, t + a);
    result.lineTo(rt, b - a);
    result.cubicTo(rt, b - c, rt - c, b, rt - a, b);
    result.lineTo(l + a, b);
    result.cubicTo(l + c, b, l, b - c, l, b - a);
    result.lineTo(l, t + a);
    result.cubicTo(l, t + c, l + c, t, l + a, t);
    result.closeSubpath();
    return result;
}

QPainterPath capsule(const QRectF& rect) {
    return path(rect, std::min(rect.width(), rect.height()) / 2);
}

void fill(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color) {
    if (color.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path(rect, radius), color);
    painter.restore();
}

void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                  qreal width) {
    if (color.alpha() == 0 || width <= 0)
        return;
    // Filled as a ring between the outline and the outline moved in by `width`: a stroked
    // line thinner than a pixel would be widened to one by the rasteriser and spill outside.
    QPainterPath ring = path(rect, radius);
    ring.addPath(
        path(rect.adjusted(width, width, -width, -width), std::max<qreal>(0, radius - width)));
    ring.setFillRule(Qt::OddEvenFill);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(ring, color);
    painter.restore();
}

}  // namespace RoundedBox
