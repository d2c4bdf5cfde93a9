#include "Panel/AnchoredPanel.h"

#include <QMoveEvent>

#include "Panel/PanelPlacement.h"

PanelPlacement::Screens AnchoredPanel::screens() const {
    return screens_ ? screens_() : PanelPlacement::currentScreens();
}

void AnchoredPanel::setFrame(const QRectF& requested, bool display) {
    placedAt_ = requested.topLeft();
    const QRect frame = PanelPlacement::frame(requested, anchor_, screens());
    if (frame == geometry())
        return;
    lastSet_ = frame;
    setGeometry(frame);
    if (display)
        update();
}

void AnchoredPanel::reanchorAtTop() {
    anchor_ = Anchor::top(geometry().top());
    setFrame(QRectF(geometry()), false);
}

void AnchoredPanel::moveEvent(QMoveEvent* event) {
    AssistantPanel::moveEvent(event);
    // Only a drag re-anchors: a window manager that nudges the panel as it maps it must not
    // turn a bottom anchor into a top one. Clamping waits for the next frame change, so that
    // the panel does not fight the window manager while the user still holds it.
    if (userMoving_ && isVisible() && event->pos() != lastSet_.topLeft()) {
        anchor_ = Anchor::top(event->pos().y());
        placedAt_ = event->pos();
    }
}

void AnchoredPanel::hideEvent(QHideEvent* event) {
    AssistantPanel::hideEvent(event);
    userMoving_ = false;
}
