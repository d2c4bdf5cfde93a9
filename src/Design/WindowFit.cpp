#include "Design/WindowFit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

WindowFit::WindowFit(QWidget& window, Policy policy)
    : QObject(&window), window_(&window), policy_(std::move(policy)) {
    window.installEventFilter(this);
}

QRect WindowFit::frame(QSize preferred, QMargins margins, const QRect& available, QPoint wanted) {
    QRect frame(wanted, preferred.grownBy(margins).boundedTo(available.size()));
    if (frame.right() > available.right())
        frame.moveRight(available.right());
    if (frame.bottom() > available.bottom())
        frame.moveBottom(available.bottom());
    if (frame.left() < available.left())
        frame.moveLeft(available.left());
    if (frame.top() < available.top())
        frame.moveTop(available.top());
    return frame;
}

QMargins WindowFit::margins() const {
    const QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    return handle ? handle->frameMargins() : QMargins();
}

void WindowFit::place(const QRect& available) {
    if (!window_ || available.isEmpty())
        return;
    available_ = available;
    fitting_ = true;
    const QMargins around = margins();
    const QPoint wanted =
        policy_.place(available, policy_.preferred.grownBy(around).boundedTo(available.size()));
    const QRect fitted = frame(policy_.preferred, around, available, wanted);
    policy_.resize(fitted.size().shrunkBy(around));
    // A window's position is its frame's.
    window_->move(fitted.topLeft());
    fitting_ = false;
    // Without a frame yet, its size is not known: the window is fitted again once it has one.
    waitingForFrame_ = around.isNull();
}

bool WindowFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && waitingForFrame_ && !fitting_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show)) {
        const QMargins around = margins();
        if (!around.isNull()) {
            waitingForFrame_ = false;
            // Only when the frame does not fit: a window that fits stays where it stands.
            if (!available_.contains(window_->frameGeometry()))
                place(available_);
        }
    }
    return QObject::eventFilter(watched, event);
}
