#include "Design/BrandMark.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QSystemTrayIcon>
#include <map>
#include <memory>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Theme.h"

namespace BrandMark {

namespace {

// A point (x, y) of the mark, y up, as a point of a painter whose y points down in `rect`.
QTransform flipInto(const QRectF& rect) {
    return QTransform(1, 0, 0, -1, 0, rect.top() + rect.bottom());
}

// Draws the mark at any size: the tray asks for the size its panel has.
class TrayIconEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal side = std::min(rect.width(), rect.height());
        const qreal scale = side / 18.0;
        const QRectF square(rect.x() + (rect.width() - side) / 2,
                            rect.y() + (rect.height() - side) / 2, side, side);
        // A tray cannot be asked for its text colour; the desktop's appearance tells whether
        // it is light on dark or dark on light.
        QColor color = DS::Palette::label.resolve(Theme::isDark(nullptr));
        if (mode == QIcon::Disabled)
            color.setAlphaF(0.4f);
        drawBubble(*painter, square.adjusted(0.5 * scale, 0.5 * scale, -0.5 * scale, -0.5 * scale),
                   1.4 * scale, color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new TrayIconEngine; }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        // Trays that take a list of images (the status notifier protocol) pick from these.
        QList<QSize> sizes;
        for (const int side : {16, 18, 22, 24, 32, 48, 64, 128})
            sizes << QSize(side, side);
        return sizes;
    }

    QString key() const override { return QStringLiteral("TavrinBrandMark"); }
};

// The application icon at any size. Every window of the program hands the pictures of
// availableSizes() to the X server (_NET_WM_ICON) when it is made: they are rendered once, on
// the first window, and kept small (with 256 and 512 it was 1.4 MB per window, a good part of
// the time to the tray icon). Painting at other sizes, say a large view on a dense screen,
// draws the mark itself.
class AppIconEngine final : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        paintAppIcon(*painter, rect);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        QPixmap& cached = (*pixmaps_)[side];
        if (cached.isNull())
            cached = QPixmap::fromImage(appIconImage(side));
        return cached;
    }

    QIconEngine* clone() const override { return new AppIconEngine(*this); }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const int side : {16, 24, 32, 48, 64, 128})
            sizes << QSize(side, side);
        return sizes;
    }

    QString key() const override { return QStringLiteral("TavrinAppIcon"); }

private:
    // Shared by the copies, which all draw the same.
    std::shared_ptr<std::map<int, QPixmap>> pixmaps_ = std::make_shared<std::map<int, QPixmap>>();
};

QString svgPathData(const QPainterPath& path) {
    QString data;
    const auto number = [](qreal value) { return QString::number(value, 'f', 3); };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                data += QStringLiteral("M%1 %2 ").arg(number(e.x), number(e.y));
                break;
            case QPainterPath::LineToElement:
                data += QStringLiteral("L%1 %2 ").arg(number(e.x), number(e.y));
                break;
            case QPainterPath::CurveToElement: {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element end = path.elementAt(i + 2);
                data += QStringLiteral("C%1 %2 %3 %4 %5 %6 ")
                            .arg(number(e.x), number(e.y), number(c2.x), number(c2.y),
                                 number(end.x), number(end.y));
                i += 2;
                break;
            }
            case QPainterPath::CurveToDataElement:
                break;
        }
    }
    return data.trimmed() + QStringLiteral(" Z");
}

// Where the tile and the mark sit in an icon of side 1.
constexpr qreal tileInset = 0.06;
constexpr qreal tileRadius = 0.2;
constexpr qreal markSide = 0.62;
constexpr qreal markLine = 0.045;

QRectF tileRect(const QRectF& rect) {
    const qreal side = std::min(rect.width(), rect.height());
    const QRectF square(rect.center() - QPointF(side, side) / 2, QSizeF(side, side));
    return square.adjusted(side * tileInset, side * tileInset, -side * tileInset,
                           -side * tileInset);
}

QRectF markRect(const QRectF& tile) {
    const qreal side = tile.width() / (1 - 2 * tileInset) * markSide;
    // Lowered a little: the tail hangs below the bubble, so the bubble itself looks centred.
    return QRectF(tile.center() - QPointF(side / 2, side / 2 - side * 0.03), QSizeF(side, side));
}

QColor tileTop() {
    return QColor(125, 122, 255);
}

QColor tileBottom() {
    return DS::Palette::accent.resolve(false);
}

}  // namespace

QPainterPath outline(const QRectF& r) {
    const qreal x0 = r.x(), y0 = r.y(), w = r.width(), h = r.height();
    const QRectF body(x0 + 0.08 * w, y0 + 0.22 * h, 0.84 * w, 0.66 * h);
    const qreal c = 0.2 * w;
    const qreal k = 0.45 * c;
    const qreal minX = body.left(), maxX = body.right();
    const qreal minY = body.top(), maxY = body.bottom();  // y up: top() is the lower edge
    QPainterPath path;
    path.moveTo(minX + c, maxY);
    path.lineTo(maxX - c, maxY);
    path.cubicTo(maxX - k, maxY, maxX, maxY - k, maxX, maxY - c);
    path.lineTo(maxX, minY + c);
    path.cubicTo(maxX, minY + k, maxX - k, minY, maxX - c, minY);
    path.lineTo(minX + 0.36 * w, minY);
    path.lineTo(minX + 0.16 * w, y0 + 0.06 * h);
    path.lineTo(minX + 0.17 * w, minY);
    path.lineTo(minX + c, minY);
    path.cubicTo(minX + k, minY, minX, minY + k, minX, minY + c);
    path.lineTo(minX, maxY - c);
    path.cubicTo(minX, maxY - k, minX + k, maxY, minX + c, maxY);
    path.closeSubpath();
    return path;
}

QPainterPath sparkle(const QRectF& r) {
    const qreal w = r.width();
    const QRectF body(r.x() + 0.08 * w, r.y() + 0.22 * r.height(), 0.84 * w, 0.66 * r.height());
    const qreal midX = body.center().x(), midY = body.center().y();
    const qreal s = 0.17 * w;
    const qreal t = 0.22 * s;
    QPainterPath path;
    path.moveTo(midX, midY + s);
    path.cubicTo(midX + t, midY + t, midX + t, midY + t, midX + s, midY);
    path.cubicTo(midX + t, midY - t, midX + t, midY - t, midX, midY - s);
    path.cubicTo(midX - t, midY - t, midX - t, midY - t, midX - s, midY);
    path.cubicTo(midX - t, midY + t, midX - t, midY + t, midX, midY + s);
    path.closeSubpath();
    return path;
}

void drawBubble(QPainter& painter, const QRectF& rect, qreal lineWidth, const QColor& color) {
    const QTransform flip = flipInto(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, lineWidth);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flip.map(outline(rect)));
    painter.fillPath(flip.map(sparkle(rect)), color);
    painter.restore();
}

QIcon trayIcon() {
    return QIcon(new TrayIconEngine);
}

void setTrayIcon(QSystemTrayIcon& tray) {
    tray.setIcon(trayIcon());
    if (Theme* theme = Theme::current()) {
        QObject::connect(theme, &Theme::changed, &tray,
                         [tray = &tray] { tray->setIcon(trayIcon()); });
    }
}

void paintAppIcon(QPainter& painter, const QRectF& rect) {
    const QRectF tile = tileRect(rect);
    QLinearGradient gradient(tile.topLeft(), tile.bottomLeft());
    gradient.setColorAt(0, tileTop());
    gradient.setColorAt(1, tileBottom());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(RoundedBox::path(tile, tile.width() * tileRadius), gradient);
    painter.restore();
    const QRectF mark = markRect(tile);
    drawBubble(painter, mark, std::min(rect.width(), rect.height()) * markLine, Qt::white);
}

QImage appIconImage(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintAppIcon(painter, QRectF(0, 0, side, side));
    return image;
}

QIcon appIcon() {
    return QIcon(new AppIconEngine);
}

QByteArray appIconSvg() {
    constexpr qreal side = 512;
    const QRectF tile = tileRect(QRectF(0, 0, side, side));
    const QRectF mark = markRect(tile);
    const QTransform flip = flipInto(mark);
    const auto hex = [](const QColor& color) { return color.name(QColor::HexRgb); };
    QString svg;
    svg += QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" "
               "viewBox=\"0 0 %1 %1\">\n")
               .arg(side);
    svg += QStringLiteral(
               "  <defs><linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
               "<stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"1\" stop-color=\"%2\"/>"
               "</linearGradient></defs>\n")
               .arg(hex(tileTop()), hex(tileBottom()));
    svg += QStringLiteral("  <path fill=\"url(#tile)\" d=\"%1\"/>\n")
               .arg(svgPathData(RoundedBox::path(tile, tile.width() * tileRadius)));
    svg += QStringLiteral(
               "  <path fill=\"none\" stroke=\"#ffffff\" stroke-width=\"%1\" "
               "stroke-linejoin=\"round\" d=\"%2\"/>\n")
               .arg(QString::number(side * markLine, 'f', 3), svgPathData(flip.map(outline(mark))));
    svg += QStringLiteral("  <path fill=\"#ffffff\" d=\"%1\"/>\n")
               .arg(svgPathData(flip.map(sparkle(mark))));
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

}  // namespace BrandMark
