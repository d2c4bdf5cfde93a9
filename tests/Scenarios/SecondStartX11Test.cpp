#include "support/ScenarioDesktop.h"

namespace {

// Starting Tavrin again while it runs brings up the running one's settings window: the second
// program ends at once, and the user sees the first one's window with the keyboard.
TEST_F(ScenarioTest, ASecondStartShowsTheSettingsWindowOfTheFirst) {
    desktop.writeSettings();
    desktop.startTavrin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.trayIconCentre().has_value(); }, 10000))
        << "the tray never showed Tavrin's icon";

    QProcess second;
    second.setProcessEnvironment(desktop.environment);
    second.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
    ASSERT_TRUE(second.waitForFinished(20000)) << "the second start did not end";
    EXPECT_EQ(second.exitCode(), 0);

    quint64 settings = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            settings =
                runProgram(QStringLiteral("xdotool"),
                           {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), QString::number(desktop.tavrin.processId()),
                            QStringLiteral("--name"), QStringLiteral("^Einstellungen$")})
                    .trimmed()
                    .toULongLong();
            return settings != 0;
        },
        10000))
        << "no settings window";
    // The window takes the keyboard once the window manager has put it up.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return runProgram(QStringLiteral("xdotool"),
                              {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
                           .trimmed() == "Einstellungen" &&
                   desktop.focusedPid() == desktop.tavrin.processId();
        },
        10000))
        << "the settings window does not have the keyboard";
    EXPECT_EQ(desktop.tavrin.state(), QProcess::Running) << "the first Tavrin ended";
}

}  // namespace
