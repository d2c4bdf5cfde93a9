#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;
class QSystemTrayIcon;

// Tavrin's mark, a speech bubble with its tail at the lower left and a four-pointed sparkle
// inside, and the application icon, the mark in white on an accent tile. The mark is
// defined with y pointing up, in a rectangle (x0, y0, w, h); corner and sparkle sizes follow
// the width alone, so a tall rectangle keeps the corners of a square one.
namespace BrandMark {

// The bubble's outline and the sparkle, in the mark's own coordinates (y up).
QPainterPath outline(const QRectF& rect);
QPainterPath sparkle(const QRectF& rect);

// Draws the mark into `rect` of a painter (y down): the outline stroked with round joins,
// the sparkle filled, both in `color`.
void drawBubble(QPainter& painter, const QRectF& rect, qreal lineWidth, const QColor& color);

// The tray's image: the mark drawn afresh at whatever size the tray asks for, as the
// 18-point image (inset 0.5, line 1.4) scaled, in the text colour of the desktop's
// appearance (near black when light, near white when dark). A tray keeps the image it was
// given: set the icon again when the theme changes.
QIcon trayIcon();
// Gives `tray` the mark, and gives it again whenever the desktop's appearance changes.
void setTrayIcon(QSystemTrayIcon& tray);

// The application icon: the white mark on a rounded accent tile.
void paintAppIcon(QPainter& painter, const QRectF& rect);
QImage appIconImage(int side);
QIcon appIcon();
// The same drawing as an SVG document, for the icon theme.
QByteArray appIconSvg();

}  // namespace BrandMark
