#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QHash>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "Panel/InstructionField.h"
#include "Panel/PanelController.h"
#include "Panel/PanelPlacement.h"
#include "Panel/PanelView.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/XcbConnection.h"
#include "RecordingPanelActions.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

// The real window system, but answering that a compositor runs, so that the panel fades and
// stays on screen while it closes, as it does on a composited desktop. Counts the panel's
// requests for the keyboard.
class FadingX11Windows final : public Platform::FloatingWindows {
public:
    bool isCompositing() override { return true; }
    void keepOnTop(quint64 window) override { real.keepOnTop(window); }
    void noteKeyboardOwner(quint64 window) override { real.noteKeyboardOwner(window); }
    void takeKeyboard(quint64 window, quint32 userTime) override {
        ++takes;
        real.takeKeyboard(window, userTime);
    }
    void giveBackKeyboard(quint64 window) override { real.giveBackKeyboard(window); }

    Platform::X11FloatingWindows real{Platform::XcbConnection::open()};
    int takes = 0;
};

// Sees the activation requests any client sends the window manager: they go to the root window
// for those who watch its children's structure.
class ActivationRequests {
public:
    ActivationRequests() : connection_(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const uint32_t events =
            XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, screen->root, XCB_CW_EVENT_MASK, &events);
        const char name[] = "_NET_ACTIVE_WINDOW";
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, sizeof name - 1, name), nullptr);
        activeWindow_ = reply ? reply->atom : 0;
        std::free(reply);
    }
    ~ActivationRequests() { xcb_disconnect(connection_); }

    // The requests for `window` the server has passed on until now.
    int count(quint32 window) {
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                message->type == activeWindow_)
                ++requests_[message->window];
            std::free(event);
        }
        return requests_.value(window);
    }

private:
    xcb_connection_t* connection_;
    xcb_atom_t activeWindow_ = 0;
    QHash<quint32, int> requests_;
};

// A desktop with a window manager and a Qt line edit that has the keyboard, as the user's
// application would when the shortcut opens the panel.
class PanelX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection);
        ASSERT_TRUE(startWindowManager(windowManager));
        lineEditWindow.start(QStringLiteral(TAVRIN_LINE_EDIT_WINDOW), {});
        ASSERT_TRUE(QTest::qWaitFor([&] { return lineEditWindow.canReadLine(); }, 10000));
        const QByteArray first = lineEditWindow.readLine().trimmed();
        ASSERT_TRUE(first.startsWith("window "));
        lineEdit = first.mid(7).toUInt();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000));

        ContextSnapshot context;
        context.fieldFrame = QRectF(10, 40, 320, 40);
        session = std::make_unique<AssistantSession>(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(session.get());
    }

    void TearDown() override {
        controller.hide();
        for (QProcess* process : {&lineEditWindow, &windowManager}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    void type(const QString& text) { runProgram("xdotool", {"type", "--delay", "20", text}); }

    // Tells the panel's window that it stands at `place`, as a window manager tells a window
    // it has moved.
    void reportPlace(quint32 window, QPoint place) {
        xcb_configure_notify_event_t event{};
        event.response_type = XCB_CONFIGURE_NOTIFY;
        event.event = window;
        event.window = window;
        event.x = static_cast<int16_t>(place.x());
        event.y = static_cast<int16_t>(place.y());
        event.width = static_cast<uint16_t>(controller.panel().width());
        event.height = static_cast<uint16_t>(controller.panel().height());
        xcb_send_event(connection->connection(), 0, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        connection->flush();
    }

    // The last text the line edit reported, after waiting for `expected`.
    bool lineEditShows(const QByteArray& expected) {
        return QTest::qWaitFor(
            [&] {
                while (lineEditWindow.canReadLine())
                    lastLineEditText = lineEditWindow.readLine().trimmed().mid(5);
                return lastLineEditText == expected;
            },
            5000);
    }

    std::shared_ptr<Platform::XcbConnection> connection = Platform::XcbConnection::open();
    // Animations move only when the test says, so the panel can be held mid-fade.
    Platform::FakeClock clock;
    Platform::X11FloatingWindows windows{connection};
    PanelController controller{{clock, windows, [] { return false; }}};
    RecordingPanelActions actions{clock};
    std::unique_ptr<AssistantSession> session;
    QProcess windowManager;
    QProcess lineEditWindow;
    quint32 lineEdit = 0;
    QByteArray lastLineEditText;
};

TEST_F(PanelX11Test, TakesTheKeyboardFromTheFieldAndGivesItBack) {
    type("vor");
    ASSERT_TRUE(lineEditShows("vor"));

    controller.show(*session, actions);
    clock.advance(std::chrono::seconds(2));
    const auto panel = static_cast<quint32>(controller.panel().winId());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return connection->focusedTopLevel() == panel || connection->activeWindow() == panel;
        },
        5000));
    QLineEdit* edit = controller.view()->findChild<InstructionField*>()->lineEdit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 5000));
    // Without a compositor the panel is cut to its rounded shape and shows at once.
    EXPECT_TRUE(controller.panel().isShaped());
    EXPECT_DOUBLE_EQ(controller.panel().windowOpacity(), 1.0);
    const QByteArray states = runProgram("xprop", {"-id", QString::number(panel), "_NET_WM_STATE"});
    EXPECT_TRUE(states.contains("_NET_WM_STATE_ABOVE")) << states.constData();
    EXPECT_TRUE(states.contains("_NET_WM_STATE_SKIP_TASKBAR")) << states.constData();
    EXPECT_TRUE(states.contains("_NET_WM_STATE_SKIP_PAGER")) << states.constData();
    // On every desktop: this window manager keeps that as the desktop number, not as a state.
    const QByteArray desktop =
        runProgram("xprop", {"-id", QString::number(panel), "_NET_WM_DESKTOP"});
    EXPECT_TRUE(desktop.contains("4294967295")) << desktop.constData();

    type("hallo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return session->instruction() == "hallo"; }, 5000))
        << session->instruction().toStdString();
    // The desk as the user sees it, for looking at the shaped window on a real server.
    QTest::qWait(100);
    runProgram("import", {"-window", "root", TAVRIN_BINARY_DIR "/panel-x11-typing.png"});

    controller.hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000));
    type("her");
    EXPECT_TRUE(lineEditShows("vorher")) << lastLineEditText.constData();
    EXPECT_EQ(session->instruction(), QStringLiteral("hallo"));
}

TEST_F(PanelX11Test, ShownAgainAfterTheUserWentBackItTakesTheKeyboardAgain) {
    controller.show(*session, actions);
    const auto panel = static_cast<quint32>(controller.panel().winId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == panel; }, 5000));
    runProgram("xdotool", {"windowactivate", "--sync", QString::number(lineEdit)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000));

    controller.show(*session, actions);
    EXPECT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == panel; }, 5000));
}

// A second request, sent after the first had given the panel the keyboard, would take it back
// from wherever the user went in between.
TEST_F(PanelX11Test, EachShowAsksTheWindowManagerForTheKeyboardOnce) {
    FadingX11Windows counting;
    PanelController counted{{clock, counting, [] { return false; }}};
    ActivationRequests requests;
    for (const char* show : {"mapped", "shown again after the user went back"}) {
        const int before = counting.takes;
        counted.show(*session, actions);
        const auto panel = static_cast<quint32>(counted.panel().winId());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return counting.takes > before && connection->focusedTopLevel() == panel; },
            5000))
            << show;
        // Whatever Qt asked for went out before the panel painted its first frame.
        EXPECT_EQ(requests.count(panel), counting.takes) << show;

        runProgram("xdotool", {"windowactivate", "--sync", QString::number(lineEdit)});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000))
            << show;
    }
    counted.hide();
    clock.advance(std::chrono::seconds(1));
}

// While openbox maps the panel again it reports passing places for it: where the panel asked to
// be, then (as the panel takes its content's size) the window's place inside its new frame, the
// screen's corner for Qt, then where it stands. A size the content reports meanwhile must leave
// the panel beside its field, also where the field's edges fall between pixels, as they do on a
// scaled screen. The passing report comes by itself at times; sent as the window manager sends
// its own, it comes every time.
TEST_F(PanelX11Test, ShownAgainAndResizedItStaysBesideItsField) {
    const QRectF fields[] = {QRectF(640.4, 120.6, 300, 30), QRectF(330.2, 160.8, 300, 30)};
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        ContextSnapshot context;
        context.fieldFrame = fields[round % 2];
        const QRectF& field = *context.fieldFrame;
        AssistantSession beside(std::nullopt, context, ProviderID::claudeCLI);
        // Another size than the last time: the window manager takes the window in afresh.
        if (round % 2) {
            beside.setDraft(QStringLiteral("Zeile\nZeile"));
            beside.setPhase(AssistantSession::Phase::done());
        }
        controller.show(beside, actions);
        clock.advance(std::chrono::seconds(1));
        const auto panel = static_cast<quint32>(controller.panel().winId());
        ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == panel; }, 5000));
        // Below the field, at its left edge.
        const auto besideTheField = [&](int atLeastHigh) {
            ScreenRect shown;
            const bool beside = QTest::qWaitFor(
                [&] {
                    shown = windowRect(panel);
                    return shown.x == int(field.left()) &&
                           shown.y == int(field.bottom()) + int(PanelPlacement::kFieldGap) &&
                           shown.height >= atLeastHigh;
                },
                5000);
            return beside ? ::testing::AssertionSuccess()
                          : ::testing::AssertionFailure()
                                << "the panel at " << shown.x << "," << shown.y << ", "
                                << shown.height << " high, for the field at " << field.left() << ","
                                << field.bottom();
        };
        EXPECT_TRUE(besideTheField(0));
        const int shownHeight = controller.panel().height();

        reportPlace(panel, QPoint(0, 0));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return controller.panel().pos() == QPoint(0, 0); }, 3000));
        beside.setDraft(QStringLiteral("Zeile\nZeile\nZeile\nZeile\nZeile"));
        beside.setPhase(AssistantSession::Phase::done());
        EXPECT_TRUE(besideTheField(shownHeight + 1));

        controller.hide();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000));
    }
}

TEST_F(PanelX11Test, WhileItFadesOutTypingAlreadyGoesBackToTheField) {
    FadingX11Windows fading;
    PanelController composited{{clock, fading, [] { return false; }}};
    composited.show(*session, actions);
    clock.advance(std::chrono::seconds(1));
    const auto panel = static_cast<quint32>(composited.panel().winId());
    ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == panel; }, 5000));

    composited.hide();
    // The fade has not moved on: the panel is still on screen, yet the keyboard is back.
    ASSERT_TRUE(composited.panel().isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return connection->focusedTopLevel() == lineEdit; }, 5000));
    type("x");
    EXPECT_TRUE(lineEditShows("x")) << lastLineEditText.constData();
    EXPECT_TRUE(session->instruction().isEmpty());
    clock.advance(std::chrono::seconds(1));
    EXPECT_FALSE(composited.panel().isVisible());
}

}  // namespace
