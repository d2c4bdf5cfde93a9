#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "SettingsWindow/Blocks/ValuePicker.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

// Generous: with the accessibility bus switched on by an earlier test, Qt's first calls to a
// registry that is still starting can hold up the event loop for seconds on a busy machine.
constexpr int patience = 20000;

}  // namespace

// Under a real window manager: the window comes up decorated, centred and in front of the
// window the user worked in; closing only hides it, and the next opening brings the same
// window to the front again.
TEST(SettingsWindowX11Test, ComesToTheFrontDecoratedAndCloseOnlyHidesIt) {
    QProcess windowManager;
    // Waiting for openbox's own key binding was not enough: it takes its keys before it manages
    // new windows, and a window shown in between never became active.
    ASSERT_TRUE(startWindowManager(windowManager));

    QWidget other;
    other.setWindowTitle("Editor");
    other.resize(300, 200);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, patience));

    FakeSettingsCoordinator coordinator;
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, patience));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); }, patience))
        << "the window manager decorates it";
    const QRect available = window->screen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - available.center()).manhattanLength(), 40);

    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, patience));
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, patience));
    EXPECT_EQ(controller.window(), window);

    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window, patience));

    windowManager.terminate();
    windowManager.waitForFinished(5000);
}

// The X server's wheel buttons over a picker, as a mouse sends them: the page scrolls, and
// neither the picker nor settings.json changes.
TEST(SettingsWindowX11Test, TheWheelOverAPickerScrollsTheWindow) {
    QProcess windowManager;
    ASSERT_TRUE(startWindowManager(windowManager));
    FakeSettingsCoordinator coordinator;
    coordinator.setSettingsTab(SettingsTab::general);
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window, patience));
    const QByteArray before = coordinator.settingsFile();
    auto* page = window->findChild<QScrollArea*>();
    auto* picker = window->content()->findChild<ValuePicker*>();
    ASSERT_TRUE(page && picker);
    ASSERT_GT(page->verticalScrollBar()->maximum(), 0);
    const int shown = picker->currentIndex();

    const QPoint over = picker->mapToGlobal(picker->rect().center());
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(over.x()), QString::number(over.y())});
    runProgram(QStringLiteral("xdotool"),
               {QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("3"),
                QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("5")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return page->verticalScrollBar()->value() > 0; }, patience));
    const int scrolled = page->verticalScrollBar()->value();
    runProgram(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("4")});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return page->verticalScrollBar()->value() < scrolled; }, patience));
    QTest::qWait(200);
    EXPECT_EQ(picker->currentIndex(), shown);
    EXPECT_FALSE(picker->hasFocus());
    EXPECT_EQ(coordinator.settingsFile().toStdString(), before.toStdString());

    windowManager.terminate();
    windowManager.waitForFinished(5000);
}
