// The introduction and the settings window under a real window manager on a small, scaled
// screen (built twice: 1366 × 768 at 150 % and 1024 × 600 at 120 %, as Qt scales a desktop set
// to that size): each fits the work area it opens on, title bar and all, and its buttons are
// on the screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "Design/StyledButton.h"
#include "Onboarding/FakeOnboardingCoordinator.h"
#include "Onboarding/OnboardingView.h"
#include "Onboarding/OnboardingWindowController.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

// Qt's scale is set before the application starts.
inline const bool scaledScreen = [] { return qputenv("QT_SCALE_FACTOR", TAVRIN_QT_SCALE); }();

namespace {

// Generous: on a busy machine the window manager frames a new window late.
constexpr int patience = 20000;

// Named by the screen it is built for.
class SMALL_SCREEN : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(startWindowManager(windowManager)); }
    void TearDown() override {
        windowManager.terminate();
        windowManager.waitForFinished(5000);
    }

    // Framed by the window manager, and standing still.
    static ::testing::AssertionResult framed(QWidget* window) {
        if (!QTest::qWaitForWindowExposed(window, patience) ||
            !QTest::qWaitFor([&] { return window->frameGeometry() != window->geometry(); },
                             patience))
            return ::testing::AssertionFailure() << "the window manager did not frame it";
        // The window is fitted again once framed; it has settled when it stays put a while.
        for (int round = 0; round < 10; ++round) {
            const QRect before = window->frameGeometry();
            QTest::qWait(300);
            if (window->frameGeometry() == before)
                return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the window does not stand still";
    }

    // The frame and all it holds on the screen's work area, the title bar included.
    static ::testing::AssertionResult fits(const QWidget* window) {
        const QRect area = window->screen()->availableGeometry();
        if (area.contains(window->frameGeometry()))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "the frame " << window->frameGeometry().height() << " high at "
               << window->frameGeometry().top() << " on a work area " << area.height() << " high";
    }

    // Whole inside its window.
    static bool whole(const QWidget* widget) {
        return widget->isVisible() &&
               widget->window()->rect().contains(
                   QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size()));
    }

    static void shoot(const char* name) {
        runProgram("import", {"-window", "root",
                              QStringLiteral(TAVRIN_BINARY_DIR "/%1-%2.png")
                                  .arg(QLatin1String(name), QLatin1String(TAVRIN_QT_SCALE))});
    }

    QProcess windowManager;
};

TEST_F(SMALL_SCREEN, TheIntroductionFitsWithItsButtonsOnEveryStep) {
    FakeOnboardingCoordinator coordinator;
    OnboardingWindowController controller(coordinator);
    coordinator.controller = &controller;
    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(framed(window));
    EXPECT_TRUE(fits(window));
    OnboardingView* view = controller.view();
    for (int step = 0; step < OnboardingView::steps; ++step) {
        SCOPED_TRACE(step);
        QTest::qWait(OnboardingView::fadeDuration + 100);
        EXPECT_TRUE(whole(view->primaryButton()));
        EXPECT_TRUE(step == 0 || whole(view->backButton()));
        shoot(qPrintable(QStringLiteral("introduction-step%1").arg(step)));
        if (step + 1 < OnboardingView::steps)
            view->primaryAction();
    }
    EXPECT_EQ(view->primaryButton()->text(), QStringLiteral("Später einrichten"));
}

TEST_F(SMALL_SCREEN, TheSettingsWindowOpensWithItsTitleBarOnTheScreen) {
    FakeSettingsCoordinator coordinator;
    SettingsWindowController controller(coordinator);
    controller.show();
    SettingsView* window = controller.window();
    ASSERT_TRUE(framed(window));
    EXPECT_TRUE(fits(window));
    shoot("settings");
}

}  // namespace
