#include "support/ScenarioDesktop.h"

namespace {

// Starting Tavrin again while it runs brings up the running one's settings window: the other
// program ends at once and says why, and the user sees the settings window with the keyboard.
// The second start comes right after the first, while that one is still starting up, as a
// double click on a launcher does; which of the two runs on is then open. A few rounds, since
// what goes wrong there goes wrong now and then.
TEST_F(ScenarioTest, ASecondStartShowsTheSettingsWindowOfTheFirst) {
    desktop.writeSettings();
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        QProcess& first = desktop.tavrin;
        QProcess second;
        for (QProcess* start : {&first, &second}) {
            start->setProcessEnvironment(desktop.environment);
            start->start(QStringLiteral(TAVRIN_EXECUTABLE), {});
        }
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return first.state() == QProcess::NotRunning ||
                       second.state() == QProcess::NotRunning;
            },
            20000))
            << "neither start ended";
        QProcess& ended = second.state() == QProcess::NotRunning ? second : first;
        QProcess& running = &ended == &second ? first : second;
        EXPECT_EQ(ended.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(ended.exitCode(), 0);
        EXPECT_TRUE(ended.readAllStandardError().startsWith("Tavrin läuft bereits.\n"));

        // The window takes the keyboard once the window manager has put it up.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus"),
                                                              QStringLiteral("getwindowname")})
                               .trimmed() == "Einstellungen" &&
                       desktop.focusedPid() == running.processId();
            },
            20000))
            << "the settings window of the running Tavrin (pid " << running.processId()
            << ") does not have the keyboard";
        ASSERT_EQ(running.state(), QProcess::Running) << "the running Tavrin ended";
        if (HasFailure())
            return;
        // The screen as the user sees it, before this round's Tavrin ends.
        ScenarioDesktop::screenshot(QStringLiteral("second-start-%1").arg(round));
        running.terminate();
        ASSERT_TRUE(running.waitForFinished(10000));
    }
}

}  // namespace
