#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <future>

#include "Platform/linux/BackgroundProbe.h"

using Platform::BackgroundProbe;
using std::chrono::milliseconds;

TEST(BackgroundProbeTest, FirstReadWaitsOnlyItsLimitThenServesTheCachedAnswer) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> probes{0};
    BackgroundProbe<int> probe(
        [&] {
            released.wait();
            return ++probes;
        },
        milliseconds(20), std::chrono::hours(1));

    EXPECT_EQ(probe.current(), std::nullopt);  // the stalled probe does not hold the reader
    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.current() == 1; }, 5000));
    // Fresh enough: no further probe is started.
    probe.current();
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_EQ(probes.load(), 1);
}

TEST(BackgroundProbeTest, StaleAnswerStartsAFreshProbe) {
    std::atomic<int> probes{0};
    BackgroundProbe<int> probe([&] { return ++probes; }, milliseconds(1000), milliseconds(0));
    ASSERT_EQ(probe.current(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe.current() >= 2; }, 5000));
}

TEST(BackgroundProbeTest, JobRunsBeforeTheProbeWhoseAnswerIsReturned) {
    std::atomic<bool> enabled{false};
    BackgroundProbe<bool> probe([&] { return enabled.load(); }, milliseconds(1000),
                                std::chrono::hours(1));
    ASSERT_EQ(probe.current(), false);
    EXPECT_EQ(probe.runAndWait([&] { enabled = true; }, milliseconds(1000)), true);

    std::promise<int> answer;
    probe.refresh([&](const bool& value) { answer.set_value(value ? 1 : 0); });
    EXPECT_EQ(answer.get_future().get(), 1);
}

TEST(BackgroundProbeTest, SlowJobGivesTheCachedAnswerAfterTheLimit) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    BackgroundProbe<int> probe([] { return 5; }, milliseconds(1000), std::chrono::hours(1));
    ASSERT_EQ(probe.current(), 5);
    EXPECT_EQ(probe.runAndWait([&] { released.wait(); }, milliseconds(20)), 5);
    release.set_value();  // lets the destructor's join finish
}
