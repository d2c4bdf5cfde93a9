#include "Panel/WindowDragHandle.h"

#include <QMouseEvent>
#include <QWindow>

#include "Panel/AnchoredPanel.h"

WindowDragHandle::WindowDragHandle(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("windowDragHandle"));
}

void WindowDragHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    auto* panel = qobject_cast<AnchoredPanel*>(window());
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove()) {
        if (panel)
            panel->userMoveStarted();
        return;
    }
    ownDrag_ = {event->globalPosition().toPoint(), window()->pos()};
}

void WindowDragHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!ownDrag_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    window()->move(ownDrag_->second + event->globalPosition().toPoint() - ownDrag_->first);
}

void WindowDragHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (!ownDrag_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    ownDrag_.reset();
    if (auto* panel = qobject_cast<AnchoredPanel*>(window()))
        panel->reanchorAtTop();
}
