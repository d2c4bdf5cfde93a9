#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

// The area behind the panel's header: dragging it moves the panel, after which the panel grows
// downward from where the user left its top edge.
class WindowDragHandle : public QWidget {
    Q_OBJECT

public:
    explicit WindowDragHandle(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where a drag that we run ourselves (no window manager to do it) started: the pointer and
    // the window, in global coordinates.
    std::optional<std::pair<QPoint, QPoint>> ownDrag_;
};
