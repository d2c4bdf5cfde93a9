#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QStringList>

class QPainter;

// Our own drawings of the small symbols the interface names ("checkmark.circle.fill",
// "xmark", "mic.fill" …), as painter paths on a 20-unit grid. A symbol sits in a square as
// high as the font size it goes with; heavier weights draw thicker lines. An unknown name
// draws nothing and is logged once.
namespace SymbolPainter {

bool exists(const QString& name);
QStringList names();

// The symbol's filled shape in a `side` × `side` square at the origin.
QPainterPath shape(const QString& name, qreal side, QFont::Weight weight = QFont::Normal);
// Paints the symbol centred in `box`, its side the shorter side of `box`.
void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& color,
           QFont::Weight weight = QFont::Normal);

}  // namespace SymbolPainter
