#include <gtest/gtest.h>

#include <QStringList>

#include "Platform/fake/FakeClock.h"

using namespace std::chrono_literals;
using Platform::FakeClock;

// Each callback sees the clock at its own due time, not at the end of the advance.
TEST(FakeClockTest, FiresTimersInDueOrderThenArmOrder) {
    FakeClock clock;
    QStringList fired;
    const auto note = [&](const QString& name) {
        return [&, name] { fired << name + QString::number(clock.monotonic() / 1ms); };
    };
    auto late = clock.singleShot(300ms, note("late@"));
    auto first = clock.singleShot(100ms, note("first@"));
    auto tieA = clock.singleShot(200ms, note("tieA@"));
    auto tieB = clock.singleShot(200ms, note("tieB@"));

    clock.advance(250ms);
    EXPECT_EQ(fired, (QStringList{"first@100", "tieA@200", "tieB@200"}));
    EXPECT_EQ(clock.monotonic(), 250ms);
    clock.advance(1s);
    EXPECT_EQ(fired.last(), "late@300");
    EXPECT_EQ(clock.monotonic(), 1250ms);
}

TEST(FakeClockTest, CancelStopAndDestroy) {
    FakeClock clock;
    int count = 0;
    auto stopped = clock.singleShot(10ms, [&] { ++count; });
    stopped->stop();
    {
        auto destroyed = clock.singleShot(10ms, [&] { ++count; });
    }
    clock.advance(1s);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(stopped->isActive());
    EXPECT_EQ(clock.pendingTimers(), 0);
}

TEST(FakeClockTest, RearmingRestartsFromNow) {
    FakeClock clock;
    int count = 0;
    auto timer = clock.singleShot(100ms, [&] { ++count; });
    clock.advance(80ms);
    timer->start(100ms);  // now due at 180 ms
    clock.advance(90ms);
    EXPECT_EQ(count, 0);
    clock.advance(10ms);
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(timer->isActive());
    timer->start(5ms);
    clock.advance(5ms);
    EXPECT_EQ(count, 2);
}

TEST(FakeClockTest, RepeatingTimerAndRunUntilIdle) {
    FakeClock clock;
    std::vector<Platform::Nanoseconds> ticks;
    auto repeating = clock.repeating(40ms, [&] { ticks.push_back(clock.monotonic()); });
    clock.advance(130ms);
    EXPECT_EQ(ticks, (std::vector<Platform::Nanoseconds>{40ms, 80ms, 120ms}));
    EXPECT_FALSE(clock.runUntilIdle(5));
    repeating->stop();

    int fired = 0;
    auto a = clock.singleShot(1s, [&] { ++fired; });
    std::unique_ptr<Platform::Timer> chained;
    auto b = clock.singleShot(2s, [&] { chained = clock.singleShot(3s, [&] { ++fired; }); });
    EXPECT_TRUE(clock.runUntilIdle());
    EXPECT_EQ(fired, 2);
}

TEST(FakeClockTest, TimerMayDestroyItselfOrOthersWhileFiring) {
    FakeClock clock;
    std::unique_ptr<Platform::Timer> other;
    std::unique_ptr<Platform::Timer> self;
    int count = 0;
    other = clock.singleShot(20ms, [&] { ++count; });
    self = clock.singleShot(10ms, [&] {
        other.reset();
        self.reset();
    });
    clock.advance(1s);
    EXPECT_EQ(count, 0);
}

TEST(FakeClockTest, WallClockFollowsMonotonicAndCanBeSet) {
    FakeClock clock(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59), Qt::UTC));
    clock.advance(2s);
    EXPECT_EQ(clock.now(), QDateTime(QDate(2026, 3, 2), QTime(0, 0, 1), Qt::UTC));
    clock.setNow(QDateTime(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC));
    clock.advance(1s);
    EXPECT_EQ(clock.now(), QDateTime(QDate(2027, 1, 1), QTime(0, 0, 1), Qt::UTC));
    EXPECT_EQ(clock.monotonic(), 3s);
}
