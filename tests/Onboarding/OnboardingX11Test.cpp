// The onboarding window under a real window manager (openbox), driven by the pointer as a user
// drives it: clicks and taps on its background and its links leave the window manager alone,
// and only a drag of the background moves the window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QTest>

#include "Design/StyledButton.h"
#include "Onboarding/FakeOnboardingCoordinator.h"
#include "Onboarding/OnboardingView.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

QString number(int value) {
    return QString::number(value);
}

void clickAt(QPoint global) {
    runProgram("xdotool", {"mousemove", number(global.x()), number(global.y()), "click", "1"});
}

void clickOn(const QWidget* widget) {
    clickAt(widget->mapToGlobal(widget->rect().center()));
}

TEST(OnboardingX11Test, OnlyADragOfTheBackgroundMovesTheWindow) {
    QProcess windowManager;
    ASSERT_TRUE(startWindowManager(windowManager));

    enum class Gesture { click, drag, link };
    const struct {
        const char* name;
        Gesture gesture;
    } cases[] = {
        {"a click on the background", Gesture::click},
        {"a drag of the background", Gesture::drag},
        {"a click on a link", Gesture::link},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOnboardingCoordinator coordinator;
        OnboardingWindowController controller(coordinator);
        coordinator.controller = &controller;
        controller.show();
        QWidget* window = controller.window();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        OnboardingView* view = controller.view();
        QTest::qWait(OnboardingView::fadeDuration + 100);
        const QPoint placed = window->pos();
        // Between the step dots and the buttons: background.
        const QPoint background = view->mapToGlobal(
            QPoint(view->width() / 2,
                   view->primaryButton()->mapTo(view, view->primaryButton()->rect().center()).y()));

        int step = 0;
        switch (c.gesture) {
            case Gesture::click:
                clickAt(background);
                EXPECT_EQ(window->pos(), placed);
                break;
            case Gesture::drag:
                runProgram("xdotool", {"mousemove", number(background.x()),
                                       number(background.y()), "mousedown", "1"});
                for (int moved = 10; moved <= 60; moved += 10)
                    runProgram("xdotool", {"mousemove", number(background.x() - moved),
                                           number(background.y() - moved)});
                runProgram("xdotool", {"mouseup", "1"});
                EXPECT_TRUE(QTest::qWaitFor([&] { return window->pos() != placed; }, 3000));
                break;
            case Gesture::link: {
                view->primaryAction();
                view->primaryAction();
                step = 2;
                QTest::qWait(OnboardingView::fadeDuration + 100);
                const QLabel* links = view->linkLine();
                const QFontMetrics metrics(links->font());
                // The first link's word, after "Noch kein Abo? ".
                const int x = metrics.horizontalAdvance(QStringLiteral("Noch kein Abo? Cl"));
                clickAt(links->mapToGlobal(QPoint(x, links->height() / 2)));
                EXPECT_TRUE(QTest::qWaitFor(
                    [&] { return coordinator.opener.opened.contains(OnboardingView::claudePlansUrl); },
                    3000));
                break;
            }
        }
        // The window manager is not left moving the window: the next click reaches the button.
        QTest::qWait(200);
        clickOn(step == 2 ? view->backButton() : view->primaryButton());
        const int next = step == 2 ? 1 : step + 1;
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->step() == next; }, 3000));
        runProgram("import", {"-window", "root",
                              QStringLiteral(TAVRIN_BINARY_DIR "/onboarding-x11-%1.png")
                                  .arg(int(c.gesture))});
        controller.close();
    }
    windowManager.kill();
    windowManager.waitForFinished(5000);
}

}  // namespace
