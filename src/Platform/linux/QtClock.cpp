#include "Platform/linux/QtClock.h"

#include <QTimer>

namespace Platform {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(std::function<void()> callback, bool repeating) : callback_(std::move(callback)) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(!repeating);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            // Copy first: the callback may destroy this timer.
            auto callback = callback_;
            callback();
        });
    }
    void start(Milliseconds interval) override { timer_.start(interval); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> callback_;
};

}  // namespace

QtClock::QtClock() { elapsed_.start(); }

Nanoseconds QtClock::monotonic() const { return Nanoseconds(elapsed_.nsecsElapsed()); }

QDateTime QtClock::now() const { return QDateTime::currentDateTimeUtc(); }

std::unique_ptr<Timer> QtClock::createTimer(std::function<void()> callback, bool repeating) {
    return std::make_unique<QtTimer>(std::move(callback), repeating);
}

}  // namespace Platform
