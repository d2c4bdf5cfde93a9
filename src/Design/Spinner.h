#pragma once

#include <QWidget>

class AnimationDriver;
class QPainter;

// The small busy indicator (a ring of twelve spokes, one turn a second) shown while a status
// is being checked or a step is under way. It keeps turning under reduce motion: it says that
// work goes on, and a frozen one would look hung.
class Spinner : public QWidget {
    Q_OBJECT

public:
    // The small control size.
    static constexpr int smallSize = 16;

    explicit Spinner(QWidget* parent = nullptr, int diameter = smallSize);

    // The spokes in `box` at the moment `seconds`; buttons draw a spinner into their label.
    static void paintSpokes(QPainter& painter, const QRectF& box, const QColor& color,
                            double seconds);

    QSize sizeHint() const override { return {diameter_, diameter_}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int diameter_;
    AnimationDriver* driver_;
};
