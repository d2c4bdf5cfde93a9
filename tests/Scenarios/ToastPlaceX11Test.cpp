#include "FieldScenario.h"

namespace {

// The settings window, opened by a second start and left open behind the field's window, leaves
// the toast where it belongs: 10 below the field that took the paste, left-aligned with it. The
// toast stays above every window but the panel's, so it need not move off the settings window.
TEST_F(FieldScenario, WithTheSettingsWindowOpenTheToastStandsBelowTheField) {
    useTheStandInTool();
    field = &desktop.startClient(QStringLiteral(TAVRIN_FIELD_WINDOW), {QStringLiteral("fields")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->canReadLine(); }, 10000));
    const quint64 window = field->readLine().trimmed().mid(7).toULongLong();
    desktop.startTavrin();
    // Tavrin is up once it holds its shortcut: the panel opens, and Escape closes it.
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    desktop.key(QStringLiteral("Escape"));

    QProcess second;
    second.setProcessEnvironment(desktop.environment);
    second.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    const auto focusedName = [] {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname")})
            .trimmed();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return focusedName() == "Einstellungen"; }, 10000))
        << "no settings window";
    ScenarioDesktop::screenshot(QStringLiteral("toast-settings-open"));
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("windowactivate"), QString::number(window)});

    const qint64 application = field->processId();
    askInWindow(window, QStringLiteral("toast-after-settings"));
    if (HasFatalFailure())
        return;
    desktop.key(QStringLiteral("ctrl+Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.fieldText(application) ==
                   QStringLiteral("Hallo Hallo Anna, gern – bis Freitag.");
        },
        5000))
        << desktop.fieldText(application).value_or("(no field)").toStdString();

    std::optional<QRectF> toast;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            desktop.walk([&](const Platform::AccessibleRef& e, int) {
                if (e->name() == QStringLiteral("Eingefügt"))
                    toast = e->frame();
                return !toast;
            });
            return toast.has_value();
        },
        toastWithinMs))
        << "no toast";
    // After the fade-in, as the user sees it.
    QTest::qWait(400);
    ScenarioDesktop::screenshot(QStringLiteral("toast-after-settings"));
    std::optional<QRectF> fieldFrame;
    desktop.walk(application, [&](const Platform::AccessibleRef& e, int) {
        if (e->isEditable() == true && e->isPassword() == false)
            fieldFrame = e->frame();
        return !fieldFrame;
    });
    ASSERT_TRUE(fieldFrame.has_value()) << "the field has no place on the screen";
    // The label sits inside the capsule, a few points below its top edge.
    EXPECT_GE(toast->top(), fieldFrame->bottom() + 10)
        << "the toast at y " << toast->top() << " is not below the field, which ends at "
        << fieldFrame->bottom();
    EXPECT_LT(toast->top(), fieldFrame->bottom() + 40)
        << "the toast at y " << toast->top() << " is far from the field, which ends at "
        << fieldFrame->bottom();
    EXPECT_GE(toast->left(), fieldFrame->left());
    EXPECT_LT(toast->left(), fieldFrame->left() + 80) << "the toast is not by the field";
}

}  // namespace
