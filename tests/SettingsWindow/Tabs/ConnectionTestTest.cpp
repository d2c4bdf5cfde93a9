#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include "AI/AIError.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/ConnectionTest.h"
#include "support/ScopedLocale.h"
#include "support/StandInTools.h"

using namespace std::chrono_literals;

namespace {

// Lets queued chunk deliveries and deferred deletions happen.
void settleConnectionTest() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace

TEST(ConnectionTestTest, SuccessTextTrimsTheReplyAndWritesSecondsTheGermanWay) {
    const struct {
        const char* reply;
        std::chrono::milliseconds elapsed;
        const char* text;
    } cases[] = {
        {"OK", 2430ms, "✓ Verbindung steht (OK, 2,4 s)"},
        {"  OK\n", 2430ms, "✓ Verbindung steht (OK, 2,4 s)"},
        {"Okay.", 60ms, "✓ Verbindung steht (Okay., 0,1 s)"},
        {"%1 %2", 12000ms, "✓ Verbindung steht (%1 %2, 12,0 s)"},
        // What the check found, never our reply markers or a whole reply.
        {"[[DRAFT]]\n\nHallo zusammen,\n\nanbei der Plan.", 1400ms,
         "✓ Verbindung steht (Hallo zusammen, …, 1,4 s)"},
        {"[[CHAT]]OK", 60ms, "✓ Verbindung steht (OK, 0,1 s)"},
        {"OK [[CHAT]]", 60ms, "✓ Verbindung steht (OK, 0,1 s)"},
        {"[[CHAT]]\n", 60ms, "✓ Verbindung steht (0,1 s)"},
        {"Gerne! Hier ist meine Antwort auf deine Frage von eben", 60ms,
         "✓ Verbindung steht (Gerne! Hier ist meine Antwort…, 0,1 s)"},
        // A character of two code points at the cut stays whole.
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\U0001F44D\U0001F3FDb", 60ms,
         "✓ Verbindung steht (aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\U0001F44D\U0001F3FD…, 0,1 s)"},
    };
    // Whatever the system's locale: Tavrin speaks German only.
    for (const QLocale& system : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        const ScopedLocale scoped(system);
        for (const auto& c : cases)
            EXPECT_EQ(ConnectionTest::successText(c.reply, c.elapsed), c.text) << c.reply;
    }
}

TEST(ConnectionTestTest, AToolThatNeverAnswersFailsAfterAMinuteAndIsStopped) {
    FakeSettingsCoordinator coordinator;
    coordinator.tool.keepOpen = true;
    ConnectionTest test(coordinator);
    test.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.requests.size() == 1; }, 10000));
    settleConnectionTest();

    coordinator.clock_.advance(59s);
    settleConnectionTest();
    EXPECT_TRUE(test.isRunning());
    EXPECT_EQ(test.result(), std::nullopt);

    coordinator.clock_.advance(1s);
    settleConnectionTest();
    EXPECT_FALSE(test.isRunning());
    EXPECT_EQ(test.result(), ConnectionTest::timeoutText());
    EXPECT_EQ(*coordinator.tool.cancellations, 1) << "the tool is stopped";

    // A new test may start afterwards.
    coordinator.tool.keepOpen = false;
    coordinator.tool.chunks = {"OK"};
    test.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !test.isRunning(); }, 10000));
    EXPECT_TRUE(test.result()->startsWith("✓"));
}

// A path typed into the settings that names no program is not the one that answers: the
// result says so, and names the program that did.
TEST(ConnectionTestTest, AResultNamesTheProgramThatAnsweredInsteadOfTheTypedPath) {
    const QString searched = QDir::homePath() + "/.local/bin/claude";
    const struct {
        const char* name;
        bool onSearchPath;
        std::optional<AIFailure> failure;
        QString asked;
        QString result;
    } cases[] = {
        {"found elsewhere", true, std::nullopt, searched,
         ConnectionTest::successText("OK", {}) +
             "\n„/opt/claude“ ist kein Programm; verwendet wird " + searched + "."},
        {"found nowhere", false, AIFailure(AIError::cliNotFound("Claude Code (claude)")),
         "/opt/claude",
         ConnectionTest::failureText(
             AIError::cliNotFound("Claude Code (claude)").errorDescription()) +
             "\n„/opt/claude“ ist kein Programm."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(QDir::homePath() + "/.local/bin");
        QFile::remove(searched);
        if (c.onSearchPath) {
            ASSERT_TRUE(QFile::copy(StandInTools::settings().claudePath, searched));
        }
        FakeSettingsCoordinator coordinator;
        coordinator.settings().update(
            [](auto& s) { s.claudePath = QStringLiteral("/opt/claude"); });
        coordinator.tool.chunks = {"OK"};
        coordinator.tool.failure = c.failure;
        ConnectionTest test(coordinator);
        test.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !test.isRunning(); }, 10000));
        ASSERT_EQ(coordinator.requests.size(), 1);
        EXPECT_EQ(coordinator.requests[0].second, c.asked);
        EXPECT_EQ(test.result(), c.result);
        QFile::remove(searched);
    }
}
