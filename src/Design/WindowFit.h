#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

// Keeps one of our windows (the introduction, the settings) inside the work area of the screen
// it opens on, its title bar included: a window larger than that area is made smaller, and one
// placed across its edge is moved in. The window manager tells the size of its frame only once
// the window is on screen, so the window is fitted when it is placed and once more then.
class WindowFit : public QObject {
    Q_OBJECT

public:
    struct Policy {
        // The size the window's content would like.
        QSize preferred;
        // Where the frame's top-left goes in `available` for a frame of `frame`.
        std::function<QPoint(const QRect& available, const QSize& frame)> place;
        // Gives the window its content size (a fixed one, or a smaller least size).
        std::function<void(QSize content)> resize;
    };

    WindowFit(QWidget& window, Policy policy);

    // Sizes and places the window in `available`, the work area of the screen it opens on.
    void place(const QRect& available);

    // The frame for content that would like `preferred`, with the window manager's `margins`
    // around it: no larger than `available`, at `wanted`, moved into `available` where it
    // would stand across an edge (the top and left edges win, so the title bar and the close
    // button stay reachable).
    static QRect frame(QSize preferred, QMargins margins, const QRect& available, QPoint wanted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMargins margins() const;

    QPointer<QWidget> window_;
    Policy policy_;
    QRect available_;
    // Until the window manager has framed the window once.
    bool waitingForFrame_ = false;
    bool fitting_ = false;
};
