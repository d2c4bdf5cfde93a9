#include <gtest/gtest.h>

#include <QCoreApplication>

#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"

using namespace std::chrono_literals;

namespace {

// Lets queued chunk deliveries and deferred deletions happen.
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace

TEST(ConnectionTestTest, SuccessTextTrimsTheReplyAndWritesSecondsInTheLocale) {
    const struct {
        const char* reply;
        std::chrono::milliseconds elapsed;
        QLocale locale;
        const char* text;
    } cases[] = {
        {"OK", 2430ms, QLocale(QLocale::German), "✓ Verbindung steht (OK, 2,4 s)"},
        {"  OK\n", 2430ms, QLocale(QLocale::English), "✓ Verbindung steht (OK, 2.4 s)"},
        {"Okay.", 60ms, QLocale(QLocale::German), "✓ Verbindung steht (Okay., 0,1 s)"},
        {"%1 %2", 12000ms, QLocale(QLocale::German), "✓ Verbindung steht (%1 %2, 12,0 s)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionTest::successText(c.reply, c.elapsed, c.locale), c.text) << c.reply;
}

TEST(ConnectionTestTest, AToolThatNeverAnswersFailsAfterAMinuteAndIsStopped) {
    FakeSettingsCoordinator coordinator;
    coordinator.tool.keepOpen = true;
    ConnectionTest test(coordinator);
    test.start();
    settle();

    coordinator.clock_.advance(59s);
    settle();
    EXPECT_TRUE(test.isRunning());
    EXPECT_EQ(test.result(), std::nullopt);

    coordinator.clock_.advance(1s);
    settle();
    EXPECT_FALSE(test.isRunning());
    EXPECT_EQ(test.result(), ConnectionTest::timeoutText());
    EXPECT_EQ(*coordinator.tool.cancellations, 1) << "the tool is stopped";

    // A new test may start afterwards.
    coordinator.tool.keepOpen = false;
    coordinator.tool.chunks = {"OK"};
    test.start();
    settle();
    EXPECT_TRUE(test.result()->startsWith("✓"));
}
