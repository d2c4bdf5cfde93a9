#pragma once

#include <QWidget>

class AnimationDriver;

// One accent dot (6 across) that breathes while Tavrin listens or works; still and fully
// opaque under reduce motion. Timed by the wall clock like the typing dots.
class PulsingDot : public QWidget {
    Q_OBJECT

public:
    explicit PulsingDot(QWidget* parent = nullptr);

    // 0.4…1 at `seconds` since 2001-01-01.
    static double opacity(double seconds);

    QSize sizeHint() const override { return {6, 6}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AnimationDriver* driver_;
};
