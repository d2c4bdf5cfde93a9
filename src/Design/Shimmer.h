#pragma once

#include <QImage>
#include <QWidget>

class AnimationDriver;

// A band of light that sweeps across a view again and again while Tavrin waits: a gradient
// from clear over white at 0.35 back to clear, 0.6 of the view wide, crossing from wholly
// left to wholly right every 1.6 s. It lights only the view's own drawn pixels and lets every
// click through. Under reduce motion it draws nothing at all.
class Shimmer : public QWidget {
    Q_OBJECT

public:
    static constexpr double sweepSeconds = 1.6;

    // Lays a shimmer over `content`, following its size; it lives as its child.
    static Shimmer* apply(QWidget* content);

    // The band's phase, -1…1, `elapsed` seconds after the view appeared.
    static double phase(double elapsed);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Shimmer(QWidget* content);
    // Takes the content's pixels for the mask; outside painting, which must not nest.
    void captureContent();

    QWidget* content_;
    AnimationDriver* driver_;
    double appearedAt_ = 0;
    bool rendering_ = false;
    QImage contentPixels_;
};
