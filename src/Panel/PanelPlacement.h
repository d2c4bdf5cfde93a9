#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <optional>

#include "Context/ContextSnapshot.h"
#include "Panel/AnchoredPanel.h"

// Where the panel goes, as pure functions of the screens, in global coordinates with y
// downward (Qt's): beside the field, else beside the pointer, else high on the screen under the
// mouse; and how a frame is kept on its screen.
namespace PanelPlacement {

struct Screen {
    QRectF frame;
    // Without panels and docks.
    QRectF visibleFrame;
    bool operator==(const Screen&) const = default;
};

struct Screens {
    QList<Screen> all;
    // Index into `all` of the primary screen; none when there is no screen.
    std::optional<int> primary;
};

struct Position {
    qreal x = 0;
    AnchoredPanel::Anchor anchor;
    bool operator==(const Position&) const = default;
};

// The gap between the field and the panel.
inline constexpr qreal kFieldGap = 10;
// Free height below the field (after the gap) that lets the panel hang below it.
inline constexpr qreal kRoomBelow = 420;
// How far the panel's left edge stays inside the visible area when placed.
inline constexpr qreal kSideInset = 12;

// The screens as Qt knows them now.
Screens currentScreens();

// What the panel is placed against: the focused field's frame, else a thin box around the
// pointer, else nothing.
std::optional<QRectF> anchorRect(const std::optional<ContextSnapshot>& context);

// The panel's x and the edge that stays put, for a panel `panelWidth` wide.
Position position(const std::optional<QRectF>& anchorRect, qreal panelWidth, const Screens& screens,
                  QPointF mouse);

// `requested` with the anchored edge in place of its y, moved into the visible area of its
// screen less `margin` on every side (the bottom and left edges win when it does not fit), and
// widened to whole pixels.
QRect frame(const QRectF& requested, const std::optional<AnchoredPanel::Anchor>& anchor,
            const Screens& screens, qreal margin = AnchoredPanel::kMargin);

// The visible area of the screen that frame() keeps `requested` on; none without a screen.
std::optional<QRectF> visibleArea(const QRectF& requested,
                                  const std::optional<AnchoredPanel::Anchor>& anchor,
                                  const Screens& screens);

// The most the panel's content may be high on that screen: its visible height less `margin`
// above and below; none without a screen.
std::optional<int> heightBudget(const QRectF& requested,
                                const std::optional<AnchoredPanel::Anchor>& anchor,
                                const Screens& screens, qreal margin = AnchoredPanel::kMargin);

}  // namespace PanelPlacement
