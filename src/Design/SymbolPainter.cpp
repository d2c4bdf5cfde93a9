#include "Design/SymbolPainter.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QSet>
#include <QTransform>
#include <QtMath>
#include <functional>
#include <map>
#include <vector>

namespace SymbolPainter {

namespace {

constexpr qreal grid = 20;
// Areas are joined and cut on a finer grid: set operations flatten curves into lines, and
// on the 20-unit grid those lines would show at large sizes.
constexpr qreal work = 10;

// Builds one symbol on the grid: lines are stroked into areas, areas are added or cut out in
// the order given, so a mark can be punched out of a filled disc.
class Drawing {
public:
    explicit Drawing(qreal lineWidth) : lineWidth_(lineWidth) {}

    qreal line() const { return lineWidth_; }

    void fill(const QPainterPath& path) { add(path); }
    void stroke(const QPainterPath& path, qreal widthFactor = 1) {
        add(outline(path, lineWidth_ * widthFactor));
    }
    void strokeLine(QPointF from, QPointF to, qreal widthFactor = 1) {
        QPainterPath path(from);
        path.lineTo(to);
        stroke(path, widthFactor);
    }
    void strokePolyline(std::initializer_list<QPointF> points, qreal widthFactor = 1) {
        stroke(polyline(points), widthFactor);
    }
    // Fills a shape and rounds its corners by half a line.
    void fillRounded(const QPainterPath& path) {
        fill(path);
        stroke(path);
    }
    void cut(const QPainterPath& area) { result_ = result_.subtracted(fine(area)); }
    void cutStroke(const QPainterPath& path, qreal widthFactor = 1) {
        cut(outline(path, lineWidth_ * widthFactor));
    }
    void cutPolyline(std::initializer_list<QPointF> points, qreal widthFactor = 1) {
        cutStroke(polyline(points), widthFactor);
    }

    const QPainterPath& result() const { return result_; }

    static QPainterPath polyline(std::initializer_list<QPointF> points) {
        QPainterPath path;
        bool first = true;
        for (const QPointF& p : points) {
            if (first)
                path.moveTo(p);
            else
                path.lineTo(p);
            first = false;
        }
        return path;
    }
    static QPainterPath circle(QPointF centre, qreal radius) {
        QPainterPath path;
        path.addEllipse(centre, radius, radius);
        return path;
    }
    static QPainterPath roundedRect(const QRectF& rect, qreal radius) {
        QPainterPath path;
        path.addRoundedRect(rect, radius, radius);
        return path;
    }

private:
    // United rather than appended: outlines drawn in opposite directions would cancel
    // each other out where they overlap.
    void add(const QPainterPath& path) { result_ = result_.united(fine(path)); }
    static QPainterPath fine(const QPainterPath& path) {
        return QTransform::fromScale(work, work).map(path);
    }
    static QPainterPath outline(const QPainterPath& path, qreal width) {
        QPainterPathStroker stroker;
        stroker.setWidth(width);
        stroker.setCurveThreshold(0.05);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        return stroker.createStroke(path);
    }

    qreal lineWidth_;
    QPainterPath result_;
};

using P = QPointF;
using Draw = std::function<void(Drawing&)>;

void checkmark(Drawing& d) {
    d.strokePolyline({P(4, 10.5), P(8.2, 14.6), P(16, 5.6)});
}

void mic(Drawing& d, bool filled) {
    const QPainterPath capsule = Drawing::roundedRect(QRectF(7, 1.8, 6, 10.6), 3);
    if (filled)
        d.fill(capsule);
    else
        d.stroke(capsule);
    QPainterPath stand;
    stand.moveTo(4.3, 9);
    stand.cubicTo(4.3, 12.4, 6.9, 14.8, 10, 14.8);
    stand.cubicTo(13.1, 14.8, 15.7, 12.4, 15.7, 9);
    d.stroke(stand);
    d.strokeLine(P(10, 14.8), P(10, 18));
    d.strokeLine(P(7, 18), P(13, 18));
}

// A slash over a symbol, with a gap so it reads as crossed out rather than joined.
void slash(Drawing& d) {
    d.cutStroke(Drawing::polyline({P(3.2, 1.6), P(18.6, 17)}), 2.2);
    d.strokeLine(P(2.2, 2.6), P(17.6, 18));
}

QPainterPath sparklePath(QPointF centre, qreal arm) {
    const qreal c = 0.18 * arm;
    const qreal x = centre.x(), y = centre.y();
    QPainterPath path(P(x, y - arm));
    path.cubicTo(P(x + c, y - c), P(x + c, y - c), P(x + arm, y));
    path.cubicTo(P(x + c, y + c), P(x + c, y + c), P(x, y + arm));
    path.cubicTo(P(x - c, y + c), P(x - c, y + c), P(x - arm, y));
    path.cubicTo(P(x - c, y - c), P(x - c, y - c), P(x, y - arm));
    path.closeSubpath();
    return path;
}

void exclamation(Drawing& d, qreal top, qreal bottom, qreal dot, bool cut) {
    if (cut) {
        d.cutStroke(Drawing::polyline({P(10, top), P(10, bottom)}));
        d.cut(Drawing::circle(P(10, dot), d.line() * 0.62));
    } else {
        d.strokeLine(P(10, top), P(10, bottom));
        d.fill(Drawing::circle(P(10, dot), d.line() * 0.62));
    }
}

QPainterPath trianglePath() {
    return Drawing::polyline({P(10, 2.6), P(18.2, 16.9), P(1.8, 16.9), P(10, 2.6)});
}

QPainterPath folderPath() {
    QPainterPath path = Drawing::polyline(
        {P(2.2, 15.2), P(2.2, 4.6), P(7.4, 4.6), P(9.2, 6.6), P(17.8, 6.6), P(17.8, 15.2)});
    path.closeSubpath();
    return path;
}

QPainterPath personHead() {
    return Drawing::circle(P(10, 6.2), 3.6);
}

QPainterPath personBody() {
    QPainterPath path(P(3.6, 17.6));
    path.cubicTo(P(3.6, 13.6), P(6.5, 11.6), P(10, 11.6));
    path.cubicTo(P(13.5, 11.6), P(16.4, 13.6), P(16.4, 17.6));
    path.closeSubpath();
    return path;
}

QPainterPath gearPath() {
    QPainterPath path;
    const P centre(10, 10);
    bool first = true;
    for (int tooth = 0; tooth < 8; ++tooth) {
        const qreal angle = tooth * 45.0;
        for (const auto& [offset, radius] :
             std::vector<std::pair<qreal, qreal>>{{-13, 7.0}, {-8, 9.1}, {8, 9.1}, {13, 7.0}}) {
            const qreal a = qDegreesToRadians(angle + offset);
            const P p(centre.x() + radius * std::cos(a), centre.y() + radius * std::sin(a));
            if (first)
                path.moveTo(p);
            else
                path.lineTo(p);
            first = false;
        }
    }
    path.closeSubpath();
    return path;
}

QPainterPath arcPath(QPointF centre, qreal radius, qreal startDegrees, qreal sweepDegrees) {
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path;
    path.arcMoveTo(box, startDegrees);
    path.arcTo(box, startDegrees, sweepDegrees);
    return path;
}

// Where an arc ends and which way it was heading, for its arrow head.
void arrowHeadAtArcEnd(Drawing& d, QPointF centre, qreal radius, qreal endDegrees,
                       bool counterClockwise) {
    const qreal a = qDegreesToRadians(endDegrees);
    // Angles count counter-clockwise on screen, with y pointing down.
    const P end(centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a));
    P heading(-std::sin(a), -std::cos(a));
    if (!counterClockwise)
        heading = -heading;
    const P normal(-heading.y(), heading.x());
    const qreal size = 2.8;
    d.strokePolyline(
        {end - heading * size + normal * size, end, end - heading * size - normal * size});
}

const std::map<QString, Draw>& symbols() {
    static const std::map<QString, Draw> table = {
        {"accessibility",
         [](Drawing& d) {
             d.stroke(Drawing::circle(P(10, 10), 8.4), 0.8);
             d.fill(Drawing::circle(P(10, 5.6), 1.5));
             d.strokeLine(P(5.6, 8.2), P(14.4, 8.2), 0.9);
             d.strokePolyline({P(7.4, 15.4), P(10, 11.6), P(12.6, 15.4)}, 0.9);
             d.strokeLine(P(10, 8.4), P(10, 11.6), 0.9);
         }},
        {"arrow.clockwise",
         [](Drawing& d) {
             d.stroke(arcPath(P(10, 11), 6.4, 40, -310));
             arrowHeadAtArcEnd(d, P(10, 11), 6.4, 90, false);
         }},
        {"arrow.uturn.backward",
         [](Drawing& d) {
             QPainterPath path(P(15.6, 16.5));
             path.lineTo(15.6, 10.2);
             path.cubicTo(15.6, 7.6, 13.6, 5.8, 11, 5.8);
             path.lineTo(4, 5.8);
             d.stroke(path);
             d.strokePolyline({P(7.6, 2.2), P(4, 5.8), P(7.6, 9.4)});
         }},
        {"asterisk",
         [](Drawing& d) {
             for (const qreal angle : {90.0, 30.0, 150.0}) {
                 const qreal a = qDegreesToRadians(angle);
                 const P offset(7.2 * std::cos(a), 7.2 * std::sin(a));
                 d.strokeLine(P(10, 10) - offset, P(10, 10) + offset);
             }
         }},
        {"bolt.fill",
         [](Drawing& d) {
             QPainterPath path = Drawing::polyline({P(11.6, 1.8), P(4.2, 11.4), P(9.4, 11.4),
                                                    P(8.4, 18.2), P(15.8, 8.6), P(10.6, 8.6)});
             path.closeSubpath();
             d.fillRounded(path);
         }},
        {"brain.head.profile",
         [](Drawing& d) {
             QPainterPath head(P(13.4, 18.2));
             head.lineTo(13.4, 15.2);
             head.cubicTo(16.2, 13.8, 17.6, 11.4, 17.6, 8.6);
             head.cubicTo(17.6, 4.6, 14.4, 1.8, 10.4, 1.8);
             head.cubicTo(6.4, 1.8, 3.8, 4.7, 3.8, 8.2);
             head.lineTo(2.4, 11.4);
             head.lineTo(4, 11.9);
             head.lineTo(4, 14.2);
             head.cubicTo(4, 15.2, 4.8, 15.8, 5.8, 15.8);
             head.lineTo(7.6, 15.8);
             head.lineTo(7.6, 18.2);
             d.stroke(head);
             QPainterPath brain(P(8.4, 10.6));
             brain.cubicTo(6.6, 10.6, 6.6, 7.8, 8.4, 7.6);
             brain.cubicTo(8.6, 5.6, 11.6, 5.4, 12.2, 7.1);
             brain.cubicTo(14.2, 7.1, 14.4, 10.2, 12.4, 10.4);
             brain.cubicTo(12.2, 11.8, 10.6, 12.2, 10.2, 11.6);
             d.stroke(brain, 0.75);
         }},
        {"checklist",
         [](Drawing& d) {
             for (const qreal y : {4.6, 10.0, 15.4}) {
                 d.strokePolyline({P(2.2, y), P(3.6, y + 1.3), P(6.2, y - 1.6)}, 0.85);
                 d.strokeLine(P(9.2, y), P(17.8, y));
             }
         }},
        {"checkmark", checkmark},
        {"checkmark.circle.fill",
         [](Drawing& d) {
             d.fill(Drawing::circle(P(10, 10), 9));
             d.cutPolyline({P(5.9, 10.3), P(8.8, 13.2), P(14.2, 7)});
         }},
        {"chevron.down",
         [](Drawing& d) {
             d.strokePolyline({P(3.6, 7), P(10, 13.4), P(16.4, 7)});
         }},
        {"chevron.right",
         [](Drawing& d) {
             d.strokePolyline({P(7, 3.6), P(13.4, 10), P(7, 16.4)});
         }},
        {"circle.hexagongrid.fill",
         [](Drawing& d) {
             d.fill(Drawing::circle(P(10, 10), 9));
             d.cut(Drawing::circle(P(10, 10), 1.5));
             for (int i = 0; i < 6; ++i) {
                 const qreal a = qDegreesToRadians(30.0 + 60.0 * i);
                 d.cut(Drawing::circle(P(10 + 4.6 * std::cos(a), 10 + 4.6 * std::sin(a)), 1.5));
             }
         }},
        {"clock.arrow.circlepath",
         [](Drawing& d) {
             d.stroke(arcPath(P(11.4, 10), 6.8, 250, 300));
             arrowHeadAtArcEnd(d, P(11.4, 10), 6.8, 190, true);
             d.strokePolyline({P(11.4, 6.4), P(11.4, 10.4), P(14, 12.2)});
         }},
        {"cpu",
         [](Drawing& d) {
             d.stroke(Drawing::roundedRect(QRectF(5, 5, 10, 10), 2));
             d.fill(Drawing::roundedRect(QRectF(8, 8, 4, 4), 0.8));
             for (const qreal i : {7.6, 10.0, 12.4}) {
                 d.strokeLine(P(i, 2.2), P(i, 5), 0.7);
                 d.strokeLine(P(i, 15), P(i, 17.8), 0.7);
                 d.strokeLine(P(2.2, i), P(5, i), 0.7);
                 d.strokeLine(P(15, i), P(17.8, i), 0.7);
             }
         }},
        {"display",
         [](Drawing& d) {
             d.stroke(Drawing::roundedRect(QRectF(2, 2.8, 16, 10.8), 1.8));
             d.strokeLine(P(10, 13.6), P(10, 17));
             d.strokeLine(P(6.4, 17.2), P(13.6, 17.2));
         }},
        {"doc.on.doc",
         [](Drawing& d) {
             d.stroke(Drawing::roundedRect(QRectF(7.2, 2, 10, 12.2), 2));
             d.cut(Drawing::roundedRect(QRectF(1.4, 4.4, 11.8, 14.6), 2.6));
             d.stroke(Drawing::roundedRect(QRectF(2.6, 5.6, 9.4, 12.2), 2));
         }},
        {"doc.text",
         [](Drawing& d) {
             QPainterPath page =
                 Drawing::polyline({P(4, 2), P(11.4, 2), P(16, 6.6), P(16, 18), P(4, 18), P(4, 2)});
             d.stroke(page);
             d.strokePolyline({P(11.4, 2.2), P(11.4, 6.6), P(15.8, 6.6)}, 0.85);
             d.strokeLine(P(7, 10.4), P(13, 10.4), 0.85);
             d.strokeLine(P(7, 13.6), P(13, 13.6), 0.85);
         }},
        {"exclamationmark.circle",
         [](Drawing& d) {
             d.stroke(Drawing::circle(P(10, 10), 8.4));
             exclamation(d, 5.4, 10.8, 14.2, false);
         }},
        {"exclamationmark.triangle",
         [](Drawing& d) {
             d.stroke(trianglePath());
             exclamation(d, 7.6, 11.4, 14.2, false);
         }},
        {"exclamationmark.triangle.fill",
         [](Drawing& d) {
             QPainterPath triangle = trianglePath();
             d.fillRounded(triangle);
             exclamation(d, 7.6, 11.4, 14.2, true);
         }},
        {"eye",
         [](Drawing& d) {
             QPainterPath lid(P(1.6, 10));
             lid.cubicTo(4.6, 4.4, 15.4, 4.4, 18.4, 10);
             lid.cubicTo(15.4, 15.6, 4.6, 15.6, 1.6, 10);
             lid.closeSubpath();
             d.stroke(lid);
             d.fill(Drawing::circle(P(10, 10), 2.8));
         }},
        {"folder", [](Drawing& d) { d.stroke(folderPath()); }},
        {"folder.fill", [](Drawing& d) { d.fillRounded(folderPath()); }},
        {"gearshape.fill",
         [](Drawing& d) {
             d.fill(gearPath());
             d.cut(Drawing::circle(P(10, 10), 3));
         }},
        {"globe",
         [](Drawing& d) {
             d.stroke(Drawing::circle(P(10, 10), 8.4), 0.85);
             QPainterPath meridian;
             meridian.addEllipse(P(10, 10), 3.6, 8.4);
             d.stroke(meridian, 0.85);
             d.strokeLine(P(1.8, 10), P(18.2, 10), 0.85);
             d.strokeLine(P(3.4, 5.6), P(16.6, 5.6), 0.7);
             d.strokeLine(P(3.4, 14.4), P(16.6, 14.4), 0.7);
         }},
        {"hourglass",
         [](Drawing& d) {
             d.strokeLine(P(4.4, 2.2), P(15.6, 2.2));
             d.strokeLine(P(4.4, 17.8), P(15.6, 17.8));
             QPainterPath glass(P(6, 2.2));
             glass.lineTo(6, 4.8);
             glass.cubicTo(6, 7.6, 9, 8.6, 9, 10);
             glass.cubicTo(9, 11.4, 6, 12.4, 6, 15.2);
             glass.lineTo(6, 17.8);
             d.stroke(glass);
             d.stroke(glass * QTransform(-1, 0, 0, 1, 20, 0));
         }},
        {"link",
         [](Drawing& d) {
             // Two links of a chain: the upper one passes over the lower one.
             const auto link = [](QPointF centre) {
                 QPainterPath ring;
                 ring.addRoundedRect(QRectF(-5.4, -2.8, 10.8, 5.6), 2.8, 2.8);
                 QTransform t;
                 t.translate(centre.x(), centre.y());
                 t.rotate(-45);
                 return t.map(ring);
             };
             const QPainterPath upper = link(P(12.6, 7.4));
             d.stroke(link(P(7.4, 12.6)));
             // The lower link disappears under the upper one, with a gap around it.
             QPainterPathStroker gap;
             gap.setWidth(d.line() * 2.6);
             d.cut(gap.createStroke(upper).united(upper));
             d.stroke(upper);
         }},
        {"lock.fill",
         [](Drawing& d) {
             d.fill(Drawing::roundedRect(QRectF(4, 8.8, 12, 9.4), 2));
             QPainterPath shackle(P(6.7, 9));
             shackle.lineTo(6.7, 6.2);
             shackle.cubicTo(6.7, 4.1, 8.2, 2.6, 10, 2.6);
             shackle.cubicTo(11.8, 2.6, 13.3, 4.1, 13.3, 6.2);
             shackle.lineTo(13.3, 9);
             d.stroke(shackle);
         }},
        {"mic", [](Drawing& d) { mic(d, false); }},
        {"mic.fill", [](Drawing& d) { mic(d, true); }},
        {"mic.slash",
         [](Drawing& d) {
             mic(d, false);
             slash(d);
         }},
        {"minus", [](Drawing& d) { d.strokeLine(P(4, 10), P(16, 10)); }},
        {"pencil",
         [](Drawing& d) {
             QPainterPath pencil = Drawing::polyline(
                 {P(-8.6, 0), P(-5.4, -2), P(6.6, -2), P(6.6, 2), P(-5.4, 2), P(-8.6, 0)});
             QTransform t;
             t.translate(10, 10);
             t.rotate(-45);
             d.stroke(t.map(pencil));
             d.strokeLine(t.map(P(-5.4, -2)), t.map(P(-5.4, 2)), 0.7);
         }},
        {"person",
         [](Drawing& d) {
             d.stroke(personHead());
             d.stroke(personBody());
         }},
        {"person.fill",
         [](Drawing& d) {
             d.fill(personHead());
             d.fillRounded(personBody());
         }},
        {"plus.circle",
         [](Drawing& d) {
             d.stroke(Drawing::circle(P(10, 10), 8.4));
             d.strokeLine(P(10, 6), P(10, 14));
             d.strokeLine(P(6, 10), P(14, 10));
         }},
        {"questionmark.app",
         [](Drawing& d) {
             d.stroke(Drawing::roundedRect(QRectF(2.2, 2.2, 15.6, 15.6), 4));
             QPainterPath mark(P(7.6, 8));
             mark.cubicTo(7.6, 5.4, 12.4, 5.4, 12.4, 8);
             mark.cubicTo(12.4, 9.8, 10, 10, 10, 11.8);
             d.stroke(mark);
             d.fill(Drawing::circle(P(10, 14.4), d.line() * 0.62));
         }},
        {"return",
         [](Drawing& d) {
             d.strokePolyline({P(16, 3.6), P(16, 11.2), P(4.4, 11.2)});
             d.strokePolyline({P(8, 7.6), P(4.4, 11.2), P(8, 14.8)});
         }},
        {"sparkle", [](Drawing& d) { d.fill(sparklePath(P(10, 10), 9)); }},
        {"square.and.pencil",
         [](Drawing& d) {
             QPainterPath box(P(9.4, 3.4));
             box.lineTo(5, 3.4);
             box.cubicTo(3.8, 3.4, 3, 4.2, 3, 5.4);
             box.lineTo(3, 15);
             box.cubicTo(3, 16.2, 3.8, 17, 5, 17);
             box.lineTo(14.6, 17);
             box.cubicTo(15.8, 17, 16.6, 16.2, 16.6, 15);
             box.lineTo(16.6, 10.6);
             d.stroke(box);
             d.strokeLine(P(9, 11), P(17, 3), 1.15);
         }},
        {"stop.fill",
         [](Drawing& d) { d.fill(Drawing::roundedRect(QRectF(3.6, 3.6, 12.8, 12.8), 2.6)); }},
        {"terminal",
         [](Drawing& d) {
             d.stroke(Drawing::roundedRect(QRectF(2, 3, 16, 14), 3));
             d.strokePolyline({P(5.6, 7.4), P(8.4, 10), P(5.6, 12.6)}, 0.9);
             d.strokeLine(P(10.2, 12.8), P(14.2, 12.8), 0.9);
         }},
        {"text.bubble",
         [](Drawing& d) {
             QPainterPath bubble = Drawing::polyline({P(5, 13.6), P(4.2, 17.4), P(8.6, 13.6)});
             d.stroke(bubble);
             d.stroke(Drawing::roundedRect(QRectF(2, 2.6, 16, 11), 3.2));
             d.strokeLine(P(6, 6.6), P(14, 6.6), 0.85);
             d.strokeLine(P(6, 9.6), P(11.6, 9.6), 0.85);
         }},
        {"text.cursor",
         [](Drawing& d) {
             d.strokeLine(P(10, 3), P(10, 17));
             d.strokePolyline({P(7, 2.4), P(8.6, 2.4), P(10, 3.4), P(11.4, 2.4), P(13, 2.4)}, 0.85);
             d.strokePolyline({P(7, 17.6), P(8.6, 17.6), P(10, 16.6), P(11.4, 17.6), P(13, 17.6)},
                              0.85);
         }},
        {"wifi.slash",
         [](Drawing& d) {
             for (const qreal radius : {4.4, 8.4, 12.4}) {
                 d.stroke(arcPath(P(10, 16.4), radius, 48, 84));
             }
             d.fill(Drawing::circle(P(10, 16.4), 1.5));
             slash(d);
         }},
        {"xmark",
         [](Drawing& d) {
             d.strokeLine(P(4.8, 4.8), P(15.2, 15.2));
             d.strokeLine(P(15.2, 4.8), P(4.8, 15.2));
         }},
    };
    return table;
}

qreal lineWidthFor(QFont::Weight weight) {
    if (weight >= QFont::Bold)
        return 2.3;
    if (weight >= QFont::DemiBold)
        return 2.0;
    if (weight >= QFont::Medium)
        return 1.8;
    return 1.6;
}

void logUnknownOnce(const QString& name) {
    static QSet<QString> logged;
    if (logged.contains(name))
        return;
    logged.insert(name);
    qWarning("Unbekanntes Symbol: %s", qUtf8Printable(name));
}

}  // namespace

bool exists(const QString& name) {
    return symbols().count(name) > 0;
}

QStringList names() {
    QStringList result;
    for (const auto& [name, draw] : symbols())
        result.append(name);
    return result;
}

QPainterPath shape(const QString& name, qreal side, QFont::Weight weight) {
    const auto found = symbols().find(name);
    if (found == symbols().end()) {
        logUnknownOnce(name);
        return {};
    }
    // Built once per name and weight; the interface draws the same few symbols again and
    // again.
    static std::map<std::pair<QString, int>, QPainterPath> cache;
    const auto key = std::make_pair(name, static_cast<int>(weight));
    auto cached = cache.find(key);
    if (cached == cache.end()) {
        Drawing drawing(lineWidthFor(weight));
        found->second(drawing);
        cached = cache.emplace(key, drawing.result()).first;
    }
    return QTransform::fromScale(side / (grid * work), side / (grid * work)).map(cached->second);
}

void paint(QPainter& painter, const QString& name, const QRectF& box, const QColor& color,
           QFont::Weight weight) {
    const qreal side = std::min(box.width(), box.height());
    const QPainterPath path = shape(name, side, weight);
    if (path.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center() - QPointF(side / 2, side / 2));
    painter.fillPath(path, color);
    painter.restore();
}

}  // namespace SymbolPainter
