#pragma once

#include <QRect>
#include <functional>
#include <optional>

#include "Panel/AssistantPanel.h"

namespace PanelPlacement {
struct Screens;
}

// The assistant panel that grows and shrinks with its content while one edge stays where it
// was placed, and never leaves the visible part of its screen.
class AnchoredPanel : public AssistantPanel {
    Q_OBJECT

public:
    // The edge that stays put, in global coordinates (y downward).
    struct Anchor {
        enum class Edge { top, bottom };
        Edge edge = Edge::top;
        qreal y = 0;

        // The top edge stays at y; the panel grows downward.
        static Anchor top(qreal y) { return {Edge::top, y}; }
        // The bottom edge stays at y; the panel grows upward.
        static Anchor bottom(qreal y) { return {Edge::bottom, y}; }
        bool operator==(const Anchor&) const = default;
    };

    // The distance clamping keeps from the edges of the screen's visible area.
    static constexpr qreal kMargin = 8;

    AnchoredPanel() = default;

    const std::optional<Anchor>& anchor() const { return anchor_; }
    void setAnchor(std::optional<Anchor> anchor) { anchor_ = anchor; }

    // Sets the frame with the anchored edge in place of the requested y, clamped into the
    // screen and widened to whole pixels; nothing happens when that is the current frame. The
    // requested place is where the panel stays (see placed()).
    void setFrame(const QRectF& requested, bool display);
    // A frame of `size` where the panel was last placed, or where the user moved it: the frame
    // to resize to. Never the place the window system reported last: while the window manager
    // maps the panel it reports passing places (the corner of the screen, the window's place
    // inside its new frame) before the one the panel asked for.
    QRectF placed(QSizeF size) const { return QRectF(placedAt_, size); }

    // The screens the panel is kept on; unset: the desktop's.
    void setScreens(std::function<PanelPlacement::Screens()> screens) {
        screens_ = std::move(screens);
    }
    PanelPlacement::Screens screens() const;

    // The user dragged the panel: from now on it grows downward from where its top edge is.
    void reanchorAtTop();
    // A drag through the window manager has started; its moves re-anchor the panel.
    void userMoveStarted() { userMoving_ = true; }

protected:
    void moveEvent(QMoveEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::optional<Anchor> anchor_;
    std::function<PanelPlacement::Screens()> screens_;
    // Unclamped, as requested: clamped and widened to whole pixels again it gives the same
    // frame, so that a size that did not change asks the window system for nothing.
    QPointF placedAt_;
    QRect lastSet_;
    bool userMoving_ = false;
};
