#include "Platform/fake/FakeClock.h"

#include <optional>

namespace Platform {

class FakeClock::FakeTimer final : public Timer {
public:
    FakeTimer(FakeClock* clock, std::function<void()> callback, bool repeating)
        : clock_(clock), callback_(std::move(callback)), repeating_(repeating) {}
    ~FakeTimer() override { stop(); }

    void start(Milliseconds interval) override {
        stop();
        interval_ = interval;
        if (clock_)
            clock_->arm(this, interval);
    }
    void stop() override {
        if (key_ && clock_)
            clock_->disarm(this);
    }
    bool isActive() const override { return key_.has_value(); }

    FakeClock* clock_;
    std::function<void()> callback_;
    bool repeating_;
    Milliseconds interval_{0};
    std::optional<Key> key_;
};

FakeClock::FakeClock(QDateTime start) : wallAtZero_(start.toUTC()) {}

FakeClock::~FakeClock() {
    for (auto& [key, timer] : queue_) {
        timer->key_.reset();
        timer->clock_ = nullptr;
    }
}

QDateTime FakeClock::now() const {
    return wallAtZero_.addMSecs(std::chrono::duration_cast<Milliseconds>(monotonic_).count());
}

void FakeClock::setNow(const QDateTime& now) {
    wallAtZero_ =
        now.toUTC().addMSecs(-std::chrono::duration_cast<Milliseconds>(monotonic_).count());
}

std::unique_ptr<Timer> FakeClock::createTimer(std::function<void()> callback, bool repeating) {
    return std::make_unique<FakeTimer>(this, std::move(callback), repeating);
}

void FakeClock::arm(FakeTimer* timer, Milliseconds interval) {
    Key key{monotonic_ + std::max(interval, Milliseconds(0)), nextSequence_++};
    timer->key_ = key;
    queue_.emplace(key, timer);
}

void FakeClock::disarm(FakeTimer* timer) {
    queue_.erase(*timer->key_);
    timer->key_.reset();
}

bool FakeClock::fireNext(Nanoseconds limit) {
    if (queue_.empty() || queue_.begin()->first.due > limit)
        return false;
    auto [key, timer] = *queue_.begin();
    queue_.erase(queue_.begin());
    timer->key_.reset();
    monotonic_ = std::max(monotonic_, key.due);
    if (timer->repeating_)
        arm(timer, std::max(timer->interval_, Milliseconds(1)));
    // Copy first: the callback may destroy the timer.
    auto callback = timer->callback_;
    callback();
    return true;
}

void FakeClock::advance(Nanoseconds duration) {
    const Nanoseconds target = monotonic_ + duration;
    while (fireNext(target)) {
    }
    monotonic_ = std::max(monotonic_, target);
}

bool FakeClock::runUntilIdle(int maxFirings) {
    for (int i = 0; i < maxFirings; ++i) {
        if (!fireNext(Nanoseconds::max()))
            return true;
    }
    return queue_.empty();
}

}  // namespace Platform
