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
#include "Panel/PanelController.h"
#include "Panel/PanelLooks.h"
#include "Panel/PanelView.h"
#include "Panel/ReplyOrder.h"
#include "Panel/ReplyScroll.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"
#include "SampleTurns.h"

using namespace std::chrono_literals;
using Section = ReplyOrder::Section;

namespace {

// The work area of a screen of `pixels` at Qt's `scale`, without panels or docks.
QRectF desk(QSize pixels, qreal scale) {
    return {QPointF(0, 0), QSizeF(pixels) / scale};
}

const QRectF kLaptop = desk({1366, 768}, 1.0);
const QRectF kLaptopAt150 = desk({1366, 768}, 1.5);
const QRectF kNetbookAt120 = desk({1024, 600}, 1.2);

QRect placeIn(const QWidget* widget, const QWidget* ancestor) {
    return {widget->mapTo(ancestor, QPoint(0, 0)), widget->size()};
}

// The panel of `look`, settled beside a field low on a screen of `area`.
struct SmallScreen {
    SmallScreen(const QRectF& area, const char* look)
        : controller({clock, windows, [] { return true; },
                      [area] {
                          return PanelPlacement::Screens{{{area, area}}, 0};
                      }}) {
        for (const PanelLooks::Look& each : PanelLooks::kLooks)
            if (qstrcmp(each.name, look) == 0)
                session = PanelLooks::openSettled(each, controller, actions, clock,
                                                  QRectF(80, area.height() - 90, 400, 30));
    }
    ~SmallScreen() { controller.hide(); }

    void settle() {
        for (int frame = 0; frame < 60; ++frame) {
            QCoreApplication::processEvents();
            clock.advance(16ms);
        }
    }
    PanelView* view() const { return controller.view(); }
    ReplyScroll* replies() const { return view()->findChild<ReplyScroll*>(); }
    QWidget* widgetOf(Section section) const {
        switch (section) {
            case Section::conversation:
                return view()->findChild<ChatList*>();
            case Section::answer:
                return view()->findChild<AnswerArea*>();
            case Section::actionCard:
                return view()->findChild<ActionCard*>();
            case Section::definitionCard:
                return nullptr;
        }
        return nullptr;
    }

    Platform::FakeClock clock;
    Platform::FakeFloatingWindows windows;
    PanelController controller;
    RecordingPanelActions actions{clock};
    std::unique_ptr<AssistantSession> session;
};

TEST(PanelOnSmallScreens, ThePanelStaysOnTheScreenWithItsFieldAndFooter) {
    const struct {
        const char* name;
        QRectF area;
        const char* look;
    } cases[] = {
        {"a document after a long draft and an issue, 1366 × 768", kLaptop, "draft-issue-document"},
        {"the same at 150 %", kLaptopAt150, "draft-issue-document"},
        {"an issue after a long draft at 150 %", kLaptopAt150, "draft-then-issue"},
        {"the same on 1024 × 600 at 120 %", kNetbookAt120, "draft-then-issue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallScreen screen(c.area, c.look);
        const qreal margin = AnchoredPanel::kMargin;
        const QWidget& panel = screen.controller.panel();
        EXPECT_TRUE(
            c.area.adjusted(margin, margin, -margin, -margin).contains(QRectF(panel.geometry())))
            << "the panel is " << panel.height() << " high at " << panel.y();
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
    const auto append = [](SmallScreen& screen, const ConversationTurn& turn) {
        QList<ConversationTurn> turns = screen.session->turns();
        turns.append(turn);
        screen.session->setTurns(turns);
    };
    const struct {
        const char* name;
        QRectF area;
        const char* look;
        // What happens after the panel settled.
        std::function<void(SmallScreen&)> then;
        QList<Section> order;
    } cases[] = {
        {"an issue made of a draft stands below the line that announces it, not the draft",
         kLaptop,
         "draft-then-issue",
         {},
         {Section::answer, Section::conversation, Section::actionCard}},
        {"the same at 150 %: the card whole, buttons and all",
         kLaptopAt150,
         "draft-then-issue",
         {},
         {Section::answer, Section::conversation, Section::actionCard}},
        {"a document after a draft and an issue",
         kLaptopAt150,
         "draft-issue-document",
         {},
         {Section::answer, Section::actionCard, Section::conversation}},
        {"the issue card discarded: the document keeps the room it needs",
         kLaptopAt150,
         "draft-issue-document",
         [](SmallScreen& screen) { screen.session->setActionProposal(std::nullopt); },
         {Section::answer, Section::conversation}},
        {"scrolled back to the draft with the wheel, a new reply comes into view",
         kLaptopAt150,
         "draft-then-issue",
         [&](SmallScreen& screen) {
             QWidget* viewport = screen.replies()->viewport();
             const QPointF at(10, 10);
             QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120 * 20),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(viewport, &wheel);
             screen.settle();
             EXPECT_EQ(screen.replies()->verticalScrollBar()->value(), 0);
             append(screen, PanelLooks::weekPlanTurn());
         },
         {Section::answer, Section::actionCard, Section::conversation}},
        {"a new draft after the issue stands last again",
         kLaptop,
         "draft-then-issue",
         [&](SmallScreen& screen) {
             append(screen, SampleTurns::chat(QStringLiteral("kürzer"), {}, ReplyKind::draft));
             screen.session->setDraft(PanelLooks::kDraft);
         },
         {Section::conversation, Section::actionCard, Section::answer}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallScreen screen(c.area, c.look);
        if (c.then) {
            c.then(screen);
            screen.settle();
        }
        ASSERT_EQ(ReplyOrder::order(*screen.session), c.order);
        QList<int> tops;
        for (const Section section : c.order) {
            const QWidget* widget = screen.widgetOf(section);
            ASSERT_NE(widget, nullptr) << int(section);
            tops.append(placeIn(widget, screen.view()).top());
        }
        EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()))
            << "top to bottom at " << ::testing::PrintToString(tops);
        // The newest wholly in view; in the conversation, its newest turn, inside the list too.
        const QWidget* newest = screen.widgetOf(c.order.last());
        QList<const QWidget*> views{screen.replies()->viewport()};
        if (const auto* list = qobject_cast<const ChatList*>(newest)) {
            views.append(list->viewport());
            newest = list->row(screen.session->turns().last().id);
            ASSERT_NE(newest, nullptr);
        }
        for (const QWidget* view : views) {
            EXPECT_TRUE(view->rect().contains(placeIn(newest, view)))
                << placeIn(newest, view).top() << " and " << newest->height() << " high in "
                << view->height();
        }
    }
}

// A section stands where the last turn that made it stands: a draft the user asked to have
// written at once is as new as that hidden turn, and a card no turn made is the newest.
TEST(ReplyOrder, EachSectionStandsWhereItsReplyCame) {
    using SampleTurns::chat;
    const ConversationTurn draft = chat("schreib", "Hallo", ReplyKind::draft);
    const ConversationTurn question = chat("warum?", "Darum.");
    ConversationTurn writtenNow = chat("", "Hallo", ReplyKind::draft);
    writtenNow.hidden = true;
    const QList<Section> all = {Section::conversation, Section::answer, Section::actionCard};
    EXPECT_EQ(ReplyOrder::order({question, writtenNow}, {Section::conversation, Section::answer}),
              QList<Section>({Section::conversation, Section::answer}));
    EXPECT_EQ(ReplyOrder::order({draft, question}, all),
              QList<Section>({Section::answer, Section::conversation, Section::actionCard}));
}

}  // namespace
