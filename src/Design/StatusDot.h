#pragma once

#include <QWidget>

#include "Design/Color.h"

// A filled circle that tells a state by its colour (green ready, orange missing). It does
// not move by itself; the pulsing dot changes its opacity from outside.
class StatusDot : public QWidget {
    Q_OBJECT

public:
    StatusDot(const DS::Color& color, qreal size, QWidget* parent = nullptr);

    void setColor(const DS::Color& color);
    void setOpacity(qreal opacity);
    qreal opacity() const { return opacity_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The dot in `box` (a circle of the shorter side, centred).
    static void paintDot(QPainter& painter, const QRectF& box, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DS::Color color_;
    qreal size_;
    qreal opacity_ = 1;
};
