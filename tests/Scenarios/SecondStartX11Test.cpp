#include "support/ScenarioDesktop.h"

namespace {

// Starting Tavrin again while it runs brings up the running one's settings window: the second
// program ends at once, and the user sees the first one's window with the keyboard.
TEST_F(ScenarioTest, ASecondStartShowsTheSettingsWindowOfTheFirst) {
    desktop.writeSettings();
    desktop.startTavrin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.trayIconCentre().has_value(); }, 10000))
        << "the tray never showed Tavrin's icon";
    // A user starts it again later than a program would.
    QTest::qWait(1000);

    QProcess second;
    second.setProcessEnvironment(desktop.environment);
    second.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
    ASSERT_TRUE(second.waitForFinished(20000)) << "the second start did not end";
    EXPECT_EQ(second.exitCode(), 0);

    // The window takes the keyboard once the window manager has put it up.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return runProgram(QStringLiteral("xdotool"),
                              {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
                           .trimmed() == "Einstellungen" &&
                   desktop.focusedPid() == desktop.tavrin.processId();
        },
        20000))
        << "the settings window of the first Tavrin does not have the keyboard";
    EXPECT_EQ(desktop.tavrin.state(), QProcess::Running) << "the first Tavrin ended";
}

}  // namespace
