#include "support/ScenarioDesktop.h"

namespace {

// openbox keeps Alt+Space, the shortcut a new user has, for its window menu. The settings
// window warns about it beside a recorder; the shortcut recorded there works at once.
TEST_F(ScenarioTest, TheRefusedShortcutIsWarnedAboutAndTheOneRecordedThereWorksAtOnce) {
    desktop.useDefaultShortcut();
    desktop.writeSettings();
    desktop.startTavrin();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.trayIconCentre().has_value(); }, 10000))
        << "the tray never showed Tavrin's icon";
    // Alt+Space reaches openbox, not Tavrin.
    QTest::qWait(1000);
    desktop.key(QStringLiteral("alt+space"));
    QTest::qWait(1000);
    EXPECT_NE(desktop.focusedPid(), desktop.tavrin.processId()) << "Tavrin got Alt+Space";
    desktop.key(QStringLiteral("Escape"));

    // The settings, as a second start brings them up.
    QProcess second;
    second.setProcessEnvironment(desktop.environment);
    second.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
    ASSERT_TRUE(second.waitForFinished(20000));

    // The warning names openbox; the recorder is the field that follows it.
    Platform::AccessibleRef warning;
    Platform::AccessibleRef recorder;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            warning = recorder = nullptr;
            desktop.walk([&](const Platform::AccessibleRef& e, int) {
                if (!warning && e->name().startsWith(QStringLiteral("Openbox nutzt")))
                    warning = e;
                else if (warning && e->isEditable() == true)
                    recorder = e;
                return !recorder;
            });
            return recorder && recorder->frame();
        },
        10000))
        << "no warning naming openbox with a recorder";
    ScenarioDesktop::screenshot(QStringLiteral("conflict-warning"));

    const QRectF field = *recorder->frame();
    desktop.movePointer(int(field.center().x()), int(field.center().y()));
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    QTest::qWait(500);
    desktop.key(QStringLiteral("ctrl+shift+space"));
    QTest::qWait(800);
    ScenarioDesktop::screenshot(QStringLiteral("conflict-recorded"));
    EXPECT_FALSE(QTest::qWaitFor(
        [&] {
            bool shown = false;
            desktop.walk([&](const Platform::AccessibleRef& e, int) {
                shown = shown || e->name().startsWith(QStringLiteral("Openbox nutzt"));
                return !shown;
            });
            return shown;
        },
        100))
        << "the warning stays after another shortcut was recorded";

    // Away from the recorder, the new shortcut opens the panel.
    desktop.key(QStringLiteral("Escape"));
    QTest::qWait(300);
    desktop.key(QStringLiteral("ctrl+shift+space"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return runProgram(QStringLiteral("xdotool"),
                              {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
                           .trimmed() != "Einstellungen" &&
                   desktop.focusedPid() == desktop.tavrin.processId();
        },
        5000))
        << "the recorded shortcut does not open the panel";
    QTest::qWait(500);
    ScenarioDesktop::screenshot(QStringLiteral("conflict-panel"));
}

}  // namespace
