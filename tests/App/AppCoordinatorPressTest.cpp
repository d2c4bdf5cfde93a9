#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "App/CoordinatorHarness.h"
#include "GlobalShortcuts/Key.h"
#include "Voice/DictationHUD.h"

namespace {

using namespace std::chrono_literals;

// A widget that counts the keys it is given.
class KeyCounter : public QWidget {
public:
    int keys = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            ++keys;
        return QWidget::event(event);
    }
};

TEST(AppCoordinatorPressTest, TapOpensThePanelOnceWithOneTimingLine) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    TimingLines timing;

    app.hotkeyDown();
    h.clock.advance(100ms);
    app.hotkeyUp();
    h.context.answerSnapshots();

    EXPECT_EQ(h.panel.shows, 1);
    ASSERT_NE(app.session(), nullptr);
    EXPECT_EQ(h.panel.lastShown, app.session());
    // The panel takes the keyboard for the very press that opened it.
    EXPECT_EQ(h.panel.lastUserTime, 4242u);
    EXPECT_EQ(h.context.copySelection, std::vector<bool>{true});
    ASSERT_EQ(timing.lines.size(), 1);
    EXPECT_TRUE(timing.lines[0].startsWith(QStringLiteral("Panel: Kontext ")));
    EXPECT_EQ(h.enginesBuilt, 0);
}

TEST(AppCoordinatorPressTest, ATapActsByWhereThePanelIs) {
    struct Case {
        const char* name;
        bool shown;
        bool key;
        int shows;
        int hides;
        int raises;
    };
    const Case cases[] = {
        {"hidden: opens", false, false, 1, 0, 0},
        {"shown and key: closes", true, true, 0, 1, 0},
        {"shown, another window key: raised", true, false, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h;
        AppCoordinator& app = h.make();
        h.panel.shown = c.shown;
        h.panel.key = c.key;
        app.hotkeyDown();
        app.hotkeyUp();
        h.context.answerSnapshots();
        EXPECT_EQ(h.panel.shows, c.shows);
        EXPECT_EQ(h.panel.hides, c.hides);
        EXPECT_EQ(h.panel.raises, c.raises);
    }
}

TEST(AppCoordinatorPressTest, ReleaseBetweenPrepareAndHoldCancelsTheMicrophoneAndOpens) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();

    app.hotkeyDown();
    h.clock.advance(250ms);
    EXPECT_EQ(h.enginesBuilt, 1) << "the microphone is readied at 170 ms";
    app.hotkeyUp();
    h.context.answerSnapshots();

    EXPECT_EQ(h.engineCancels, 1);
    EXPECT_FALSE(h.quickDictation.isRunning());
    EXPECT_EQ(h.panel.shows, 1);
}

TEST(AppCoordinatorPressTest, WithoutHoldDictationEveryPressIsATap) {
    struct Case {
        const char* name;
        bool dictation;
        bool hold;
        bool microphone;
    };
    const Case cases[] = {
        {"dictation off", false, true, true},
        {"hold to dictate off", true, false, true},
        {"no microphone", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) {
            s.dictationEnabled = c.dictation;
            s.holdToDictate = c.hold;
        });
        if (!c.microphone)
            h.microphone.current = Platform::AuthorizationStatus::denied;
        AppCoordinator& app = h.make();
        app.hotkeyDown();
        h.clock.advance(2s);
        app.hotkeyUp();
        h.context.answerSnapshots();
        EXPECT_EQ(h.enginesBuilt, 0);
        EXPECT_EQ(h.panel.shows, 1);
    }
}

TEST(AppCoordinatorPressTest, HoldShowsTheDictationDisplayAtTheField) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();

    app.hotkeyDown();
    h.clock.advance(320ms);
    ASSERT_EQ(h.context.snapshots.size(), 1u) << "the hold takes a snapshot for the dictation";
    EXPECT_EQ(h.context.copySelection, std::vector<bool>{false});
    h.context.answerSnapshots();

    ASSERT_TRUE(h.quickDictation.hud().isVisible());
    const QRect frame = h.quickDictation.hud().window()->geometry();
    const QRectF expected = DictationHUD::frame(h.context.snapshot.fieldFrame, DictationHUD::kSize);
    EXPECT_EQ(frame.topLeft(), expected.topLeft().toPoint());
    EXPECT_EQ(h.panel.shows, 0);
    app.hotkeyUp();
    EXPECT_EQ(h.panel.shows, 0) << "a hold is no tap";
}

TEST(AppCoordinatorPressTest, ASnapshotBelongsToItsPress) {
    // Released during the snapshot: the display never appears for a dictation that is over.
    {
        CoordinatorHarness h;
        AppCoordinator& app = h.make();
        app.hotkeyDown();
        h.clock.advance(320ms);
        app.hotkeyUp();
        h.context.answerSnapshots();
        EXPECT_FALSE(h.quickDictation.hud().isVisible());
    }
    // A newer press while the first press's snapshot is under way: the late answer is void.
    {
        CoordinatorHarness h;
        AppCoordinator& app = h.make();
        app.hotkeyDown();
        h.clock.advance(320ms);
        app.hotkeyUp();
        app.hotkeyDown();
        ASSERT_GE(h.context.snapshots.size(), 1u);
        auto late = h.context.snapshots.front();
        EXPECT_FALSE(late.alive()) << "the newer press drops the old read";
        app.hotkeyUp();
    }
}

TEST(AppCoordinatorPressTest, HoldWithThePanelKeyListensInThePanel) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    h.panel.shown = h.panel.key = true;
    app.hotkeyDown();
    h.clock.advance(400ms);
    EXPECT_EQ(h.enginesBuilt, 0) << "no quick dictation while the panel has the keyboard";
    EXPECT_TRUE(h.context.snapshots.empty());
    EXPECT_EQ(h.context.prefetches, 0) << "no field is read for the shown panel";
    app.hotkeyUp();
    EXPECT_EQ(h.panel.hides, 0) << "a hold is no tap";
}

TEST(AppCoordinatorPressTest, RepeatedKeyDownAndStrayKeyUpAreIgnored) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    app.hotkeyUp();
    EXPECT_EQ(h.panel.shows + h.panel.hides, 0);
    app.hotkeyDown();
    app.hotkeyDown();
    EXPECT_EQ(h.context.prefetches, 1);
    app.hotkeyUp();
    h.context.answerSnapshots();
    EXPECT_EQ(h.panel.shows, 1);
}

TEST(AppCoordinatorPressTest, TwoTapsDuringASlowSnapshotOpenOneSession) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    app.hotkeyDown();
    app.hotkeyUp();
    app.hotkeyDown();
    app.hotkeyUp();
    EXPECT_EQ(h.context.snapshots.size(), 1u);
    h.context.answerSnapshots();
    EXPECT_EQ(h.panel.shows, 1);

    // Once open, the next invocation may run again.
    h.panel.shown = false;
    app.invoke();
    h.context.answerSnapshots();
    EXPECT_EQ(h.panel.shows, 2);
}

TEST(AppCoordinatorPressTest, EscapeStepsBack) {
    enum class State { noSession, listening, streaming, idle };
    struct Case {
        const char* name;
        State state;
        bool closes;
    };
    const Case cases[] = {
        {"no session: closes", State::noSession, true},
        {"listening: dictation dropped", State::listening, false},
        {"streaming: reply stopped", State::streaming, false},
        {"otherwise: closes", State::idle, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
        AppCoordinator& app = h.make();
        app.start();
        h.panel.shown = h.panel.key = true;
        QPointer<AssistantSession> session;
        if (c.state != State::noSession) {
            session = &h.open();
            if (c.state == State::listening)
                session->setListening(true);
            if (c.state == State::streaming)
                app.send(QStringLiteral("Antworte"), std::nullopt, false);
        }
        // A view of the panel with the keyboard: Escape is the coordinator's, never the view's.
        KeyCounter target;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&target, &escape);
        EXPECT_EQ(target.keys, 0);
        EXPECT_EQ(h.panel.hides, c.closes ? 1 : 0);
        EXPECT_EQ(app.session() == nullptr, c.closes || c.state == State::noSession);
        if (c.state == State::listening) {
            EXPECT_FALSE(session->isListening());
        }
        if (c.state == State::streaming) {
            EXPECT_TRUE(*h.provider.at(-1).cancelled);
            EXPECT_EQ(session->phase(), AssistantSession::Phase::ready());
        }
    }
}

TEST(AppCoordinatorPressTest, EscapeReachesThePanelOnlyWhileItIsShown) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    app.start();
    QWidget target;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&target, &escape);
    EXPECT_EQ(h.panel.hides, 0);
    // The panel's own Escape goes the same way.
    ASSERT_TRUE(h.panel.onEscape);
    h.panel.onEscape();
    EXPECT_EQ(h.panel.hides, 1);
}

// While the shortcut's key is down its grab has the keyboard: Escape comes through the
// shortcuts, not through the panel, and must still do what it does in the panel.
TEST(AppCoordinatorPressTest, EscapeDuringAHoldInThePanelIsTheEscapeOfThePanel) {
    struct Case {
        const char* name;
        std::chrono::milliseconds heldFor;  // before Escape
        bool closes;
    };
    const Case cases[] = {
        {"listening: the dictation is dropped and nothing is sent", 400ms, false},
        {"not yet listening: the panel closes and the release opens none", 100ms, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([](AssistantSettings& s) { s.includeScreenshot = false; });
        AppCoordinator& app = h.make();
        app.start();
        QPointer<AssistantSession> session = &h.open();
        h.panel.shown = h.panel.key = true;
        app.hotkeyDown();
        h.clock.advance(c.heldFor);
        ASSERT_EQ(session->isListening(), !c.closes);
        if (!c.closes)
            h.engine.start(std::nullopt);
        h.shortcuts.grabber.pressOther(GlobalShortcuts::Key::escape.rawValue);
        h.clock.advance(400ms);
        app.hotkeyUp();
        h.context.answerSnapshots();
        if (h.engine.stop)
            h.engine.stop(QStringLiteral("Schreib Hallo"));

        EXPECT_EQ(h.panel.hides, c.closes ? 1 : 0);
        EXPECT_EQ(h.panel.shows, 1) << "the release opens no panel";
        EXPECT_TRUE(h.provider.calls.empty()) << "nothing goes to the AI";
        if (!c.closes) {
            ASSERT_TRUE(session);
            EXPECT_FALSE(session->isListening());
            EXPECT_EQ(h.engine.cancels, 1);
        }
    }
}

TEST(AppCoordinatorPressTest, StartWiresTheShortcut) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    const auto shortcut = AppCoordinator::invokeAssistant().defaultShortcut;
    ASSERT_TRUE(shortcut);
    EXPECT_FALSE(h.shortcuts.grabber.press(shortcut->carbonKeyCode, shortcut->carbonModifiers))
        << "nothing is grabbed before start";
    app.start();
    ASSERT_TRUE(h.shortcuts.grabber.press(shortcut->carbonKeyCode, shortcut->carbonModifiers));
    h.shortcuts.grabber.releaseKey(shortcut->carbonKeyCode, shortcut->carbonModifiers);
    h.context.answerSnapshots();
    EXPECT_EQ(h.panel.shows, 1);
}

}  // namespace
