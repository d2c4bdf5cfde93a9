#pragma once

#include <QObject>
#include <chrono>
#include <memory>

class QTimer;
class QWidget;

namespace Platform {
class Timer;
}

// Repaints one widget every 34 ms (at most 30 times a second) while it is visible and,
// for decorative motion, while the desktop allows motion; otherwise it costs nothing.
// Indicators compute their look from seconds(), the wall clock, so two of them on screen
// move in step and a reopened view continues its rhythm.
class AnimationDriver final : public QObject {
    Q_OBJECT

public:
    enum class Motion {
        decorative,  // stops under reduce motion; the widget shows its resting look
        essential,   // progress that must be seen moving (the spinner)
    };

    static constexpr std::chrono::milliseconds interval{34};

    explicit AnimationDriver(QWidget* owner, Motion motion = Motion::decorative);
    ~AnimationDriver() override;

    // Seconds since 2001-01-01 00:00 UTC by the theme's clock.
    double seconds() const;
    // True when decorative motion is switched off: draw the resting look.
    bool isStill() const;
    bool isRunning() const;
    // A further condition for running, for animations that only move for a while (the
    // waveform easing to new levels). On by default.
    void setWanted(bool wanted);

signals:
    // One frame; the owner has been asked to repaint.
    void ticked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reconsider();
    void tick();

    QWidget* owner_;
    Motion motion_;
    bool wanted_ = true;
    std::unique_ptr<Platform::Timer> timer_;
    QTimer* fallbackTimer_ = nullptr;
};
