#include "Panel/PanelPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace PanelPlacement {

namespace {

const Screen* primaryOf(const Screens& screens) {
    if (!screens.primary || *screens.primary < 0 || *screens.primary >= screens.all.size())
        return nullptr;
    return &screens.all[*screens.primary];
}

const Screen* firstIntersecting(const Screens& screens, const QRectF& rect) {
    for (const Screen& screen : screens.all)
        if (screen.frame.intersects(rect))
            return &screen;
    return nullptr;
}

const Screen* firstContaining(const Screens& screens, QPointF point) {
    for (const Screen& screen : screens.all)
        if (screen.frame.contains(point))
            return &screen;
    return nullptr;
}

}  // namespace

Screens currentScreens() {
    Screens screens;
    const QList<QScreen*> all = QGuiApplication::screens();
    for (QScreen* screen : all)
        screens.all.append({QRectF(screen->geometry()), QRectF(screen->availableGeometry())});
    const int primary = all.indexOf(QGuiApplication::primaryScreen());
    if (primary >= 0)
        screens.primary = primary;
    return screens;
}

std::optional<QRectF> anchorRect(const std::optional<ContextSnapshot>& context) {
    if (!context)
        return std::nullopt;
    if (context->fieldFrame)
        return context->fieldFrame;
    if (context->pointer)
        return QRectF(context->pointer->x() - 1, context->pointer->y() - 12, 2, 24);
    return std::nullopt;
}

Position position(const std::optional<QRectF>& anchorRect, qreal panelWidth, const Screens& screens,
                  QPointF mouse) {
    if (anchorRect) {
        const QRectF& r = *anchorRect;
        const Screen* screen = firstIntersecting(screens, r);
        if (!screen)
            screen = primaryOf(screens);
        if (screen) {
            const QRectF& vf = screen->visibleFrame;
            // When the field sits so far right that both bounds cannot hold, the right one
            // wins: the panel stays on screen and overlaps the field's left part.
            const qreal x = std::min(std::max(r.left(), vf.left() + kSideInset),
                                     vf.right() - panelWidth - kSideInset);
            const qreal freeBelow = vf.bottom() - (r.bottom() + kFieldGap);
            if (freeBelow > kRoomBelow)
                return {x, AnchoredPanel::Anchor::top(r.bottom() + kFieldGap)};
            return {x, AnchoredPanel::Anchor::bottom(r.top() - kFieldGap)};
        }
    }
    const Screen* screen = firstContaining(screens, mouse);
    if (!screen)
        screen = primaryOf(screens);
    const QRectF vf = screen ? screen->visibleFrame : QRectF(0, 0, 1440, 900);
    return {vf.center().x() - panelWidth / 2,
            AnchoredPanel::Anchor::top(vf.top() + 0.2 * vf.height())};
}

namespace {

QRectF anchored(const QRectF& requested, const std::optional<AnchoredPanel::Anchor>& anchor) {
    QRectF r = requested;
    if (anchor) {
        r.moveTop(anchor->edge == AnchoredPanel::Anchor::Edge::top ? anchor->y
                                                                   : anchor->y - r.height());
    }
    return r;
}

const Screen* screenKeeping(const QRectF& r, const Screens& screens) {
    const Screen* screen = firstContaining(screens, r.center());
    if (!screen)
        screen = firstIntersecting(screens, r);
    if (!screen)
        screen = primaryOf(screens);
    return screen;
}

}  // namespace

QRect frame(const QRectF& requested, const std::optional<AnchoredPanel::Anchor>& anchor,
            const Screens& screens, qreal margin) {
    QRectF r = anchored(requested, anchor);
    if (const Screen* screen = screenKeeping(r, screens)) {
        const QRectF f = screen->visibleFrame.adjusted(margin, margin, -margin, -margin);
        // Top first, then bottom: a panel taller than the screen keeps its bottom edge (and
        // its buttons) visible. Likewise right, then left.
        if (r.top() < f.top())
            r.moveTop(f.top());
        if (r.bottom() > f.bottom())
            r.moveBottom(f.bottom());
        if (r.right() > f.right())
            r.moveRight(f.right());
        if (r.left() < f.left())
            r.moveLeft(f.left());
    }
    return r.toAlignedRect();
}

std::optional<QRectF> visibleArea(const QRectF& requested,
                                  const std::optional<AnchoredPanel::Anchor>& anchor,
                                  const Screens& screens) {
    const Screen* screen = screenKeeping(anchored(requested, anchor), screens);
    if (!screen)
        return std::nullopt;
    return screen->visibleFrame;
}

std::optional<int> heightBudget(const QRectF& requested,
                                const std::optional<AnchoredPanel::Anchor>& anchor,
                                const Screens& screens, qreal margin) {
    const std::optional<QRectF> area = visibleArea(requested, anchor, screens);
    if (!area)
        return std::nullopt;
    return std::max(0, int(std::floor(area->height() - 2 * margin)));
}

}  // namespace PanelPlacement
