#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

class QPainter;

// Measures and draws text at the design's fractional sizes. The text engine rounds a font's
// pixel size to a whole number when it loads it, so 13.5 would be drawn at 14 and 12.5 at 13:
// a font with a fractional size is set at two or four times the size and drawn scaled back,
// which keeps the half sizes; whole sizes are drawn as they are, with their usual hinting.
namespace TextPainter {

struct Metrics {
    qreal ascent = 0;
    qreal descent = 0;
    qreal lineSpacing = 0;

    qreal height() const { return ascent + descent; }
};

Metrics metrics(const QFont& font);
qreal advance(const QFont& font, const QString& text);
// `text` shortened with "…" to fit `width` (at the head, in the middle or at the tail).
QString elided(const QFont& font, const QString& text, Qt::TextElideMode mode, qreal width);
// Draws one line with its baseline starting at `baseline`.
void draw(QPainter& painter, const QPointF& baseline, const QFont& font, const QString& text);

// Lines of `text` wrapped at word boundaries to `width`; a word longer than the width is
// broken, so nothing is ever cut off. Line breaks in the text are kept.
QStringList wrap(const QFont& font, const QString& text, qreal width);

}  // namespace TextPainter
