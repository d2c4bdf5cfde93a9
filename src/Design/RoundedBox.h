#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

// Rounded rectangles with continuous corners: the curve starts further along the edge than
// a circular arc of the same radius and eases into it, so corners never show the kink where
// a straight edge meets a quarter circle. Every box, button, chip and capsule is drawn here.
namespace RoundedBox {

// The outline of `rect` with corners of about `radius`; a radius of half the shorter side
// or more gives a capsule (round ends).
QPainterPath path(const QRectF& rect, qreal radius);
QPainterPath capsule(const QRectF& rect);

void fill(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color);
// A border of `width` drawn wholly inside `rect`, so it never grows the shape.
void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color,
                  qreal width);

}  // namespace RoundedBox
