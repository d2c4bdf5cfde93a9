#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "Panel/ContentTransformEffect.h"
#include "Panel/InstructionField.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Panel/ProjectChip.h"
#include "Panel/QuoteBlock.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"

using namespace std::chrono_literals;
using Anchor = AnchoredPanel::Anchor;

namespace {

class PanelControllerTest : public ::testing::Test {
protected:
    PanelControllerTest() {
        ContextSnapshot context;
        context.fieldFrame = QRectF(200, 300, 300, 30);
        session = std::make_unique<AssistantSession>(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(session.get());
        controller.onEscape = [this] { actions.escape(); };
    }

    ~PanelControllerTest() override { controller.hide(); }

    // The views that are still alive once replaced ones have been deleted.
    int liveViews() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int live = 0;
        for (PanelView* view : controller.panel().findChildren<PanelView*>())
            live += view->isVisibleTo(&controller.panel()) ? 1 : 0;
        return live;
    }

    Platform::FakeClock clock;
    Platform::FakeFloatingWindows windows;
    bool reduceMotion = false;
    PanelController controller{{clock, windows, [this] { return reduceMotion; }}};
    RecordingPanelActions actions{clock};
    std::unique_ptr<AssistantSession> session;
};

TEST_F(PanelControllerTest, ShowAfterAQuickHideEndsVisibleAtFullOpacityWithOneView) {
    controller.show(*session, actions);
    clock.advance(50ms);
    controller.hide();
    clock.advance(30ms);
    ASSERT_TRUE(controller.isClosing());
    controller.show(*session, actions);
    clock.advance(1s);

    EXPECT_TRUE(controller.panel().isVisible());
    EXPECT_FALSE(controller.isClosing());
    EXPECT_DOUBLE_EQ(controller.panel().windowOpacity(), 1.0);
    EXPECT_EQ(liveViews(), 1);
    EXPECT_FALSE(controller.view()->testAttribute(Qt::WA_TransparentForMouseEvents));
    // The entrance is over: the live widgets paint, not a picture of them.
    EXPECT_EQ(controller.view()->graphicsEffect(), nullptr);
}

TEST_F(PanelControllerTest, HideGivesTheKeyboardBackBeforeTheFadeAndTearsDownAfterIt) {
    controller.show(*session, actions, 4242);
    clock.advance(1s);
    // The keyboard is asked for once the exposed panel has painted its first frame.
    QCoreApplication::processEvents();
    ASSERT_EQ(windows.keyboardHolder, controller.panel().winId());
    ASSERT_EQ(windows.calls.back(),
              QStringLiteral("takeKeyboard %1 at 4242").arg(controller.panel().winId()));

    controller.hide();
    EXPECT_EQ(windows.keyboardHolder, 0u);
    EXPECT_EQ(controller.panel().focusWidget(), nullptr);
    EXPECT_TRUE(controller.panel().isVisible());
    EXPECT_GT(controller.panel().windowOpacity(), 0.9);

    clock.advance(1s);
    EXPECT_FALSE(controller.panel().isVisible());
    EXPECT_EQ(controller.view(), nullptr);
    EXPECT_EQ(controller.panel().anchor(), std::nullopt);
    EXPECT_DOUBLE_EQ(controller.panel().windowOpacity(), 1.0);
}

TEST_F(PanelControllerTest, ASecondHideTearsDownAtOnce) {
    controller.show(*session, actions);
    clock.advance(1s);
    controller.hide();
    controller.hide();
    EXPECT_FALSE(controller.panel().isVisible());
    EXPECT_FALSE(controller.isClosing());
    EXPECT_EQ(liveViews(), 0);
}

TEST_F(PanelControllerTest, MotionFollowsTheCompositorAndTheDesktopSetting) {
    struct Case {
        const char* name;
        bool compositing;
        bool reduceMotion;
        bool shaped;
        // Opacity and whether the content is a scaled picture 60 ms into the show.
        double opacityAt60ms;
        bool scaledAt60ms;
        // The sections still coming in one after another.
        bool enteringAt60ms;
    };
    for (const Case& c : {Case{"compositor", true, false, false, 0.5, true, true},
                          Case{"compositor_still", true, true, false, 0.5, false, false},
                          Case{"no_compositor", false, false, true, 1.0, false, true}}) {
        SCOPED_TRACE(c.name);
        windows.compositing = c.compositing;
        reduceMotion = c.reduceMotion;
        controller.show(*session, actions);
        clock.advance(60ms);
        EXPECT_EQ(controller.panel().isShaped(), c.shaped);
        if (c.opacityAt60ms < 1)
            EXPECT_LT(controller.panel().windowOpacity(), 1.0);
        else
            EXPECT_DOUBLE_EQ(controller.panel().windowOpacity(), 1.0);
        EXPECT_EQ(
            qobject_cast<ContentTransformEffect*>(controller.view()->graphicsEffect()) != nullptr,
            c.scaledAt60ms);
        clock.advance(2s);
        EXPECT_DOUBLE_EQ(controller.panel().windowOpacity(), 1.0);
        // Without a compositor there is nothing to fade: hiding is immediate.
        controller.hide();
        EXPECT_EQ(controller.panel().isVisible(), c.compositing);
        clock.advance(2s);
        EXPECT_FALSE(controller.panel().isVisible());
    }
}

TEST_F(PanelControllerTest, GrowsAwayFromTheFieldKeepingTheAnchoredEdge) {
    struct Case {
        const char* name;
        QRectF field;
        Anchor::Edge edge;
    };
    for (const Case& c : {Case{"below", QRectF(200, 100, 300, 30), Anchor::Edge::top},
                          Case{"above", QRectF(200, 800, 300, 30), Anchor::Edge::bottom}}) {
        SCOPED_TRACE(c.name);
        ContextSnapshot context;
        context.fieldFrame = c.field;
        AssistantSession grown(std::nullopt, context, ProviderID::claudeCLI);
        controller.show(grown, actions);
        clock.advance(1s);
        ASSERT_TRUE(controller.panel().anchor());
        ASSERT_EQ(controller.panel().anchor()->edge, c.edge);
        const QRect before = controller.panel().geometry();

        grown.setDraft(
            QStringLiteral("Eine Antwort\nüber mehrere\nZeilen,\ndie das Panel wachsen "
                           "lässt."));
        grown.setPhase(AssistantSession::Phase::done());
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const QRect after = controller.panel().geometry();
        EXPECT_GT(after.height(), before.height());
        if (c.edge == Anchor::Edge::top)
            EXPECT_EQ(after.top(), before.top());
        else
            EXPECT_EQ(after.bottom(), before.bottom());
        controller.hide();
        clock.advance(1s);
    }
}

// As the window manager maps the panel it reports passing places for it: the corner of the
// screen (the window's place inside its new frame), then where it stands. A size reported in
// between keeps the panel where it was placed, beside its field.
TEST_F(PanelControllerTest, APassingPlaceTheWindowSystemReportsNeverMovesThePanel) {
    struct Case {
        const char* name;
        QPoint reported;
    };
    for (const Case& c : {Case{"the screen's corner", {0, 0}}, Case{"further right", {260, 100}}}) {
        SCOPED_TRACE(c.name);
        AssistantSession beside(std::nullopt, session->context(), ProviderID::claudeCLI);
        controller.show(beside, actions);
        clock.advance(1s);
        QCoreApplication::processEvents();
        const QRect placed = controller.panel().geometry();
        ASSERT_EQ(placed.left(), int(session->context()->fieldFrame->left()));

        controller.panel().move(c.reported);
        beside.setDraft(QStringLiteral("Zeile\nZeile\nZeile\nZeile"));
        beside.setPhase(AssistantSession::Phase::done());
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        const QRect grown = controller.panel().geometry();
        EXPECT_GT(grown.height(), placed.height());
        EXPECT_EQ(grown.left(), placed.left());
        EXPECT_EQ(grown.top(), placed.top());
        controller.hide();
        clock.advance(1s);
    }
}

TEST_F(PanelControllerTest, ASizeReportOfAReplacedViewNeverResizesThePanel) {
    controller.show(*session, actions);
    clock.advance(1s);
    // The old view grows and reports it; before the report is handled, a new view replaces it.
    session->setDraft(QStringLiteral("Zeile\nZeile\nZeile\nZeile\nZeile\nZeile\nZeile"));
    session->setPhase(AssistantSession::Phase::done());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    AssistantSession fresh(std::nullopt, session->context(), ProviderID::claudeCLI);
    controller.show(fresh, actions);
    const int freshHeight = controller.panel().height();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.panel().height(), freshHeight);
    EXPECT_EQ(controller.panel().height(), controller.view()->fittingSize().height());
}

TEST_F(PanelControllerTest, AfterTheUserDragsThePanelItGrowsDownFromWhereTheyLeftIt) {
    ContextSnapshot context;
    context.fieldFrame = QRectF(200, 800, 300, 30);
    AssistantSession low(std::nullopt, context, ProviderID::claudeCLI);
    controller.show(low, actions);
    clock.advance(1s);
    ASSERT_EQ(controller.panel().anchor()->edge, Anchor::Edge::bottom);

    // Without a window manager to move it, the handle moves the panel itself.
    auto* handle = controller.view()->findChild<QWidget*>(QStringLiteral("contextRow"));
    const QPoint start = handle->mapToGlobal(QPoint(5, 0));
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, handle->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(-40, -300), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPoint(-40, -300), Qt::NoButton);
    const QRect dropped = controller.panel().geometry();
    ASSERT_EQ(controller.panel().anchor(), Anchor::top(dropped.top()));

    low.setDraft(QStringLiteral("Zeile\nZeile\nZeile\nZeile\nZeile"));
    low.setPhase(AssistantSession::Phase::done());
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
    EXPECT_EQ(controller.panel().geometry().top(), dropped.top());
    EXPECT_GT(controller.panel().geometry().height(), dropped.height());
}

TEST_F(PanelControllerTest, EscapeReachesTheApplicationOnceAndReturnRunsThePrimaryActionOnce) {
    controller.show(*session, actions);
    clock.advance(1s);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&controller.panel()));
    QLineEdit* edit = controller.view()->findChild<InstructionField*>()->lineEdit();
    ASSERT_TRUE(edit->hasFocus());

    QTest::keyClicks(edit, QStringLiteral("kurz"));
    EXPECT_EQ(session->instruction(), QStringLiteral("kurz"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("primaryAction")});

    actions.calls.clear();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("escape")});
}

// The same session is shown again after an insertion, whatever state it is in: the view is
// built for a session that already has its quote, its draft or its conversation.
TEST_F(PanelControllerTest, ShowsASessionInAnyStateItCanBeShownIn) {
    using Kind = AssistantSession::Phase::Kind;
    using Variant = QuoteBlock::Variant;
    const std::pair<Kind, const char*> phases[] = {{Kind::ready, "ready"},
                                                   {Kind::streaming, "streaming"},
                                                   {Kind::done, "done"},
                                                   {Kind::failed, "failed"}};
    const struct {
        const char* name;
        std::optional<QuotedMessage> quote;
        Variant full;
        Variant compact;
    } quotes[] = {
        {"no quote", std::nullopt, Variant::none, Variant::none},
        {"a message", QuotedMessage{QStringLiteral("Anna Berg"), QStringLiteral("Kommst du?")},
         Variant::fullQuote, Variant::compactQuote},
        {"a selection", QuotedMessage{std::nullopt, QStringLiteral("markiert"), std::nullopt, true},
         Variant::fullSelection, Variant::compactSelection},
    };
    for (const auto& [phase, phaseName] : phases) {
        for (const auto& quote : quotes) {
            for (const bool compact : {false, true}) {
                SCOPED_TRACE(std::string(phaseName) + ", " + quote.name +
                             (compact ? ", compact" : ""));
                AssistantSession shown(std::nullopt, session->context(), ProviderID::claudeCLI);
                shown.setQuote(quote.quote);
                if (compact)
                    shown.setDraft(QStringLiteral("Hallo Welt"));
                if (phase == Kind::streaming) {
                    ConversationTurn turn;
                    turn.user = QStringLiteral("Frage");
                    shown.setTurns({turn});
                    shown.setActiveTurnID(turn.id);
                }
                shown.setPhase(phase == Kind::ready       ? AssistantSession::Phase::ready()
                               : phase == Kind::streaming ? AssistantSession::Phase::streaming()
                               : phase == Kind::done
                                   ? AssistantSession::Phase::done()
                                   : AssistantSession::Phase::failed(AssistantProblem::offline()));
                actions.setSession(&shown);

                controller.show(shown, actions);
                clock.advance(1s);
                QCoreApplication::processEvents();
                EXPECT_TRUE(controller.panel().isVisible());
                EXPECT_EQ(liveViews(), 1);
                auto* block = controller.view()->findChild<QuoteBlock*>();
                ASSERT_NE(block, nullptr);
                EXPECT_EQ(block->variant(), compact ? quote.compact : quote.full);
                // The rows were laid out when the panel showed: none is left at no size.
                EXPECT_GT(controller.view()->findChild<QWidget*>("contextRow")->height(), 0);
                if (block->card() && phase != Kind::failed) {
                    EXPECT_GT(block->card()->height(), 0);
                }

                controller.hide();
                clock.advance(1s);
                actions.setSession(session.get());
            }
        }
    }
}

// A menu of the panel holds the pointer: left open, it would stay on screen over the field
// the user goes back to, and belong to a view that is about to go.
TEST_F(PanelControllerTest, AMenuOpenFromThePanelClosesWithIt) {
    controller.show(*session, actions);
    clock.advance(1s);
    auto* chip = controller.view()->findChild<ProjectChip*>();
    ASSERT_NE(chip, nullptr);
    QTest::mouseClick(chip, Qt::LeftButton);
    QPointer<QMenu> menu = chip->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(menu->isVisible());

    controller.hide();
    EXPECT_TRUE(!menu || !menu->isVisible());
    clock.advance(1s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(menu);
}

}  // namespace
