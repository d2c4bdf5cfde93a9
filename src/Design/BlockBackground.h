#pragma once

#include <QWidget>

// A container that lays a faint fill with rounded corners (radius 12) behind its children:
// the background of the panel's notice blocks. It adds no padding; the caller's layout does.
class BlockBackground : public QWidget {
    Q_OBJECT

public:
    explicit BlockBackground(QWidget* parent = nullptr);

    // The same background for a view that paints itself.
    static void paint(QPainter& painter, const QWidget* widget, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};
