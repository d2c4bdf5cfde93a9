#pragma once

#include <cstdint>
#include <map>

#include "Platform/Clock.h"

namespace Platform {

// Virtual time for tests. Nothing moves until the test calls advance() or runUntilIdle();
// timers due at the same moment fire in the order they were armed.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(9, 0), Qt::UTC));
    ~FakeClock() override;

    Nanoseconds monotonic() const override { return monotonic_; }
    QDateTime now() const override;
    std::unique_ptr<Timer> createTimer(std::function<void()> callback, bool repeating) override;

    // Moves time forward by `duration`, firing every timer that falls due on the way at
    // its own moment.
    void advance(Nanoseconds duration);
    // Fires pending timers, moving time to each, until none is armed. Repeating timers
    // keep it going, so it stops after `maxFirings` and returns false.
    bool runUntilIdle(int maxFirings = 10000);
    // Sets the wall clock without moving monotonic time (a clock change, a time zone trip).
    void setNow(const QDateTime& now);

    int pendingTimers() const { return static_cast<int>(queue_.size()); }

private:
    class FakeTimer;
    struct Key {
        Nanoseconds due;
        std::uint64_t sequence;
        bool operator<(const Key& other) const {
            return due != other.due ? due < other.due : sequence < other.sequence;
        }
    };

    void arm(FakeTimer* timer, Milliseconds interval);
    void disarm(FakeTimer* timer);
    bool fireNext(Nanoseconds limit);

    Nanoseconds monotonic_{0};
    QDateTime wallAtZero_;
    std::uint64_t nextSequence_ = 0;
    std::map<Key, FakeTimer*> queue_;
};

}  // namespace Platform
