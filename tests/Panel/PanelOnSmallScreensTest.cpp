// The panel on the screens people have: a laptop's 1366 × 768, the same at 150 % and a netbook's
// 1024 × 600 at 120 %, as Qt lays them out. Whatever the replies, the panel stays on the screen
// with its field and footer, and the newest reply is the one in view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include "Panel/ActionCard.h"
#include "Panel/AnswerArea.h"
#include "Panel/ChatList.h"
#include "Panel/InstructionField.h"
#include "Panel/PanelController.h"
#include "Panel/PanelLooks.h"
#include "Panel/PanelPlacement.h"
#include "Panel/PanelView.h"
#include "Panel/ReplyOrder.h"
#include "Panel/ReplyScroll.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"
#include "SampleTurns.h"

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;
using Section = ReplyOrder::Section;

namespace {

// A screen of `pixels` at Qt's `scale`, without panels or docks.
PanelPlacement::Screens desk(QSize pixels, qreal scale) {
    const QRectF screen(QPointF(0, 0), QSizeF(pixels) / scale);
    PanelPlacement::Screens screens;
    screens.all = {{screen, screen}};
    screens.primary = 0;
    return screens;
}

const PanelPlacement::Screens kLaptop = desk({1366, 768}, 1.0);
const PanelPlacement::Screens kLaptopAt150 = desk({1366, 768}, 1.5);
const PanelPlacement::Screens kNetbookAt120 = desk({1024, 600}, 1.2);

const PanelLooks::Look& look(const char* name) {
    for (const PanelLooks::Look& each : PanelLooks::kLooks)
        if (qstrcmp(each.name, name) == 0)
            return each;
    ADD_FAILURE() << "no look " << name;
    return PanelLooks::kLooks.front();
}

QRect placeIn(const QWidget* widget, const QWidget* ancestor) {
    return {widget->mapTo(ancestor, QPoint(0, 0)), widget->size()};
}

// The panel open beside a field low on `screens`, settled.
struct SmallScreen {
    explicit SmallScreen(const PanelPlacement::Screens& screens)
        : screens(screens),
          controller({clock, windows, [] { return true; }, [screens] { return screens; }}) {}
    ~SmallScreen() { controller.hide(); }

    void open(const PanelLooks::Look& shown) {
        const QRectF area = screens.all.front().visibleFrame;
        session = PanelLooks::openSettled(shown, controller, actions, clock,
                                          QRectF(80, area.height() - 90, 400, 30));
    }
    void settle() {
        for (int frame = 0; frame < 60; ++frame) {
            QCoreApplication::processEvents();
            clock.advance(16ms);
        }
    }
    PanelView* view() const { return controller.view(); }
    ReplyScroll* replies() const { return view()->findChild<ReplyScroll*>(); }
    // Wholly inside the replies' view, and inside the conversation's when it stands there.
    ::testing::AssertionResult inView(const QWidget* widget) const {
        const QRect inReplies = placeIn(widget, replies()->viewport());
        if (!replies()->viewport()->rect().contains(inReplies))
            return ::testing::AssertionFailure()
                   << widget->metaObject()->className() << " at " << inReplies.top() << ", "
                   << inReplies.height() << " high, in replies " << replies()->viewport()->height()
                   << " high";
        auto* list = view()->findChild<ChatList*>();
        if (list && list->isAncestorOf(widget) &&
            !list->viewport()->rect().contains(placeIn(widget, list->viewport())))
            return ::testing::AssertionFailure()
                   << "cut in a conversation of " << list->viewport()->height();
        return ::testing::AssertionSuccess();
    }

    PanelPlacement::Screens screens;
    Platform::FakeClock clock;
    Platform::FakeFloatingWindows windows;
    PanelController controller;
    RecordingPanelActions actions{clock};
    std::unique_ptr<AssistantSession> session;
};

TEST(PanelOnSmallScreens, ThePanelStaysOnTheScreenWithItsFieldAndFooter) {
    const struct {
        const char* name;
        const PanelPlacement::Screens& screens;
        const char* look;
    } cases[] = {
        {"a document after a long draft and an issue, 1366 × 768", kLaptop, "draft-issue-document"},
        {"the same at 150 %", kLaptopAt150, "draft-issue-document"},
        {"an issue after a long draft at 150 %", kLaptopAt150, "draft-then-issue"},
        {"the same on 1024 × 600 at 120 %", kNetbookAt120, "draft-then-issue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallScreen screen(c.screens);
        screen.open(look(c.look));
        const QRectF area = c.screens.all.front().visibleFrame.adjusted(
            AnchoredPanel::kMargin, AnchoredPanel::kMargin, -AnchoredPanel::kMargin,
            -AnchoredPanel::kMargin);
        const QWidget& panel = screen.controller.panel();
        EXPECT_TRUE(area.contains(QRectF(panel.geometry())))
            << "the panel is " << panel.height() << " high at " << panel.y() << " on a screen "
            << area.height() << " high";
        EXPECT_EQ(screen.view()->height(), panel.height()) << "the content is cut";
        for (const char* name : {"bottomRow", "instructionField"}) {
            const auto* row = screen.view()->findChild<QWidget*>(name);
            ASSERT_NE(row, nullptr) << name;
            EXPECT_TRUE(panel.rect().contains(placeIn(row, &panel))) << name << " is cut off";
        }
    }
}

// The replies stand in the order they came, the newest last above the field, and that one is
// in view whole: the older draft and card give way to it, not it to them.
TEST(PanelOnSmallScreens, TheNewestReplyStandsLastAndWhole) {
    const auto newestTurn = [](SmallScreen& screen) -> QWidget* {
        auto* list = screen.view()->findChild<ChatList*>();
        return list ? list->row(screen.session->turns().last().id) : nullptr;
    };
    const auto card = [](SmallScreen& screen) -> QWidget* {
        return screen.view()->findChild<ActionCard*>();
    };
    const struct {
        const char* name;
        const PanelPlacement::Screens& screens;
        const char* look;
        // What happens after the panel settled.
        std::function<void(SmallScreen&)> then;
        QList<Section> order;
        std::function<QWidget*(SmallScreen&)> newest;
    } cases[] = {
        {"an issue made of a draft stands below the line that announces it, not the draft",
         kLaptop,
         "draft-then-issue",
         {},
         {Section::answer, Section::conversation, Section::actionCard},
         card},
        {"the same at 150 %: the card whole, buttons and all",
         kLaptopAt150,
         "draft-then-issue",
         {},
         {Section::answer, Section::conversation, Section::actionCard},
         card},
        {"a document after a draft and an issue",
         kLaptopAt150,
         "draft-issue-document",
         {},
         {Section::answer, Section::actionCard, Section::conversation},
         newestTurn},
        {"the issue card discarded: the document keeps the room it needs",
         kLaptopAt150,
         "draft-issue-document",
         [](SmallScreen& screen) { screen.session->setActionProposal(std::nullopt); },
         {Section::answer, Section::conversation},
         newestTurn},
        {"scrolled back to the draft, a new reply comes into view",
         kLaptopAt150,
         "draft-then-issue",
         [](SmallScreen& screen) {
             // The wheel turned up over the replies, far enough to reach the draft.
             QWidget* viewport = screen.replies()->viewport();
             const QPointF at(10, 10);
             QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * 20),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(viewport, &wheel);
             screen.settle();
             EXPECT_EQ(screen.replies()->verticalScrollBar()->value(), 0);
             QList<ConversationTurn> turns = screen.session->turns();
             turns.append(PanelLooks::weekPlanTurn());
             screen.session->setTurns(turns);
         },
         {Section::answer, Section::actionCard, Section::conversation},
         newestTurn},
        {"a new draft after the issue stands last again",
         kLaptop,
         "draft-then-issue",
         [](SmallScreen& screen) {
             QList<ConversationTurn> turns = screen.session->turns();
             turns.append(SampleTurns::chat(QStringLiteral("kürzer"), {}, ReplyKind::draft));
             screen.session->setTurns(turns);
             screen.session->setDraft(PanelLooks::kDraft);
         },
         {Section::conversation, Section::actionCard, Section::answer},
         [](SmallScreen& screen) -> QWidget* { return screen.view()->findChild<AnswerArea*>(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallScreen screen(c.screens);
        screen.open(look(c.look));
        if (c.then) {
            c.then(screen);
            screen.settle();
        }
        EXPECT_EQ(ReplyOrder::order(*screen.session), c.order);
        // As the panel shows them, top to bottom.
        const auto top = [&screen](Section section) {
            const char* names[] = {"chatList", "answerArea", "actionCard", "definitionCard"};
            const auto* row = screen.view()->findChild<QWidget*>(names[int(section)]);
            return row ? placeIn(row, screen.view()).top() : -1;
        };
        for (qsizetype index = 1; index < c.order.size(); ++index) {
            EXPECT_LT(top(c.order[index - 1]), top(c.order[index]))
                << int(c.order[index - 1]) << " does not stand above " << int(c.order[index]);
        }
        QWidget* newest = c.newest(screen);
        ASSERT_NE(newest, nullptr);
        EXPECT_TRUE(screen.inView(newest));
    }
}

// Which reply each section shows decides where it stands; one without a turn of its own is
// the newest, and a card stands after the turn that made it.
TEST(ReplyOrder, EachSectionStandsWhereItsReplyCame) {
    using SampleTurns::chat;
    const ConversationTurn draft = chat("schreib", "Hallo", ReplyKind::draft);
    const ConversationTurn question = chat("warum?", "Darum.");
    const ConversationTurn issue = chat("issue", "{}", ReplyKind::action);
    ConversationTurn hiddenDraft = chat("", "Hallo", ReplyKind::draft);
    hiddenDraft.hidden = true;
    const QList<Section> all = {Section::conversation, Section::answer, Section::actionCard};
    const struct {
        const char* name;
        QList<ConversationTurn> turns;
        QList<Section> shown;
        QList<Section> order;
    } cases[] = {
        {"a draft after a question",
         {question, draft},
         {Section::conversation, Section::answer},
         {Section::conversation, Section::answer}},
        {"a question after a draft",
         {draft, question},
         {Section::conversation, Section::answer},
         {Section::answer, Section::conversation}},
        {"a draft written now, hidden, after the question",
         {question, hiddenDraft},
         {Section::conversation, Section::answer},
         {Section::conversation, Section::answer}},
        {"an issue after a draft",
         {draft, issue},
         all,
         {Section::answer, Section::conversation, Section::actionCard}},
        {"a question after the issue",
         {draft, issue, question},
         all,
         {Section::answer, Section::actionCard, Section::conversation}},
        {"a card no turn made",
         {draft, question},
         all,
         {Section::answer, Section::conversation, Section::actionCard}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplyOrder::order(c.turns, c.shown), c.order) << c.name;
}

}  // namespace
