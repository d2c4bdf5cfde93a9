#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "Settings/FakeSettingsCoordinator.h"
#include "Settings/Window/SettingsView.h"
#include "Settings/Window/SettingsWindowController.h"
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
    ASSERT_TRUE(startWindowManager(windowManager))
        << windowManager.readAllStandardError().toStdString();

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
