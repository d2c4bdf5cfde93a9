// The panel on the screens people have: a laptop's 1366 × 768, the same at 150 % and a netbook's
// 1024 × 600 at 120 %, as Qt lays them out. Whatever the replies, the panel stays on the screen
// with its field and footer, and the newest reply is the one in view.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include "Panel/ActionCard.h"
#include "Panel/AnswerArea.h"
#include "Panel/ChatList.h"
#include "Panel/ChatTurnRow.h"
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
// Qt scales a screen of 120 dpi by 1.25.
const QRectF kNetbookAt120 = desk({1024, 600}, 1.25);

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

// What the column shows, top to bottom: the requests by their words, the draft, the line of
// instructions that made it and the issue card.
QStringList readingOrder(const SmallScreen& screen) {
    const QWidget* column = screen.replies()->column();
    QList<std::pair<int, QString>> shown;
    const auto note = [&](const QWidget* widget, const QString& what) {
        if (widget && widget->isVisibleTo(column))
            shown.append({widget->mapTo(column, QPoint(0, 0)).y(), what});
    };
    for (const ChatTurnRow* row : column->findChildren<ChatTurnRow*>())
        note(row, row->turn().user);
    note(column->findChild<QWidget*>(QStringLiteral("instructionLine")),
         QStringLiteral("Anweisungen"));
    note(column->findChild<AnswerArea*>(), QStringLiteral("Entwurf"));
    note(column->findChild<ActionCard*>(), QStringLiteral("Issue-Karte"));
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList order;
    for (const auto& [top, what] : shown)
        order.append(what);
    return order;
}

const QRectF kFullHdAt150 = desk({1920, 1080}, 1.5);

struct Desk {
    const char* name;
    QRectF area;
};
const Desk kDesks[] = {{"1366 × 768", kLaptop},
                       {"1366 × 768 at 150 %", kLaptopAt150},
                       {"1024 × 600 at 120 %", kNetbookAt120},
                       {"1920 × 1080 at 150 %", kFullHdAt150}};

void append(SmallScreen& screen, const ConversationTurn& turn) {
    QList<ConversationTurn> turns = screen.session->turns();
    turns.append(turn);
    screen.session->setTurns(turns);
}

void discardTheIssue(SmallScreen& screen) {
    auto* discard = screen.view()->findChild<QAbstractButton*>(QStringLiteral("discardAction"));
    ASSERT_NE(discard, nullptr);
    discard->click();
}

// Each reply stands right after the request that made it, in the order they came: a card never
// stands above what asked for it, and no request stands between a card and what asked for it.
TEST(PanelOnSmallScreens, EachReplyStandsRightAfterItsRequest) {
    const QString issue = PanelLooks::issueTurn().user;
    const QString document = PanelLooks::weekPlanTurn().user;
    const struct {
        const char* name;
        const char* look;
        std::function<void(SmallScreen&)> then;
        QStringList order;
    } cases[] = {
        {"a document after a long draft and an issue",
         "draft-issue-document",
         {},
         {"Anweisungen", "Entwurf", issue, "Issue-Karte", document}},
        {"a long draft after an issue: its instructions head it",
         "issue-then-draft",
         {},
         {issue, "Issue-Karte", "Anweisungen", "Entwurf"}},
        {"a new draft after the issue stands last again",
         "draft-then-issue",
         [](SmallScreen& screen) {
             append(screen, SampleTurns::chat(QStringLiteral("kürzer"), {}, ReplyKind::draft));
             screen.session->setAppliedInstructions(
                 {PanelLooks::draftTurn().user, QStringLiteral("kürzer")});
             screen.session->setDraft(PanelLooks::kDraft);
         },
         {issue, "Issue-Karte", "Anweisungen", "Entwurf"}},
    };
    for (const Desk& desk : kDesks) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + desk.name);
            SmallScreen screen(desk.area, c.look);
            if (c.then) {
                c.then(screen);
                screen.settle();
            }
            EXPECT_EQ(readingOrder(screen).join(u'|').toStdString(),
                      c.order.join(u'|').toStdString());
        }
    }
}

// One column scrolls, with one bar: the conversation in it does not scroll on its own.
TEST(PanelOnSmallScreens, OnlyTheColumnScrollsTheConversation) {
    const struct {
        const char* name;
        const char* look;
        std::function<void(SmallScreen&)> then;
    } cases[] = {
        {"a document after a long draft and an issue", "draft-issue-document", {}},
        {"the same after the issue is discarded", "draft-issue-document", discardTheIssue},
        {"a long conversation above a card", "action-card-long-conversation", {}},
    };
    for (const Desk& desk : kDesks) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + desk.name);
            SmallScreen screen(desk.area, c.look);
            if (c.then) {
                c.then(screen);
                screen.settle();
            }
            const AnswerArea* draft = screen.view()->findChild<AnswerArea*>();
            for (const QScrollBar* bar : screen.replies()->column()->findChildren<QScrollBar*>()) {
                // The draft's box scrolls its text, as its bounds say.
                if (bar->orientation() == Qt::Vertical && bar->isVisible() &&
                    !(draft && draft->isAncestorOf(bar)))
                    ADD_FAILURE()
                        << "a second bar in "
                        << bar->parentWidget()->parentWidget()->objectName().toStdString();
            }
        }
    }
}

// The newest reply is in view whole, its bottom padding and border too, and has the room
// first: a draft or a card from before gives way to it, not it to them.
TEST(PanelOnSmallScreens, TheNewestReplyHasTheRoomFirstAndIsWhollyInView) {
    const struct {
        const char* name;
        const char* look;
        std::function<void(SmallScreen&)> then;
    } cases[] = {
        {"a document after a long draft and an issue", "draft-issue-document", {}},
        {"the same after the issue is discarded", "draft-issue-document", discardTheIssue},
        {"an issue after a long draft", "draft-then-issue", {}},
        {"a long draft after an issue", "issue-then-draft", {}},
        {"a document asked for at length, after a long draft and an issue: taller than the "
         "conversation was let be on its own",
         "draft-then-issue",
         [](SmallScreen& screen) {
             ConversationTurn document = PanelLooks::weekPlanTurn();
             document.user = QStringLiteral(
                 "schreib ein dokument dazu, mit einem Plan für jeden Tag der Woche, wer was "
                 "vorbereitet, was am Donnerstag um 15 Uhr besprochen wird und was danach "
                 "noch offen ist, damit ich es Anna schicken kann");
             append(screen, document);
         }},
        {"scrolled back to the draft with the wheel, a new reply comes into view",
         "draft-then-issue",
         [](SmallScreen& screen) {
             QWidget* over = screen.replies()->viewport();
             const QPointF at(10, 10);
             QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, 120 * 20),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(over, &wheel);
             screen.settle();
             EXPECT_EQ(screen.replies()->verticalScrollBar()->value(), 0);
             append(screen, PanelLooks::weekPlanTurn());
         }},
    };
    for (const Desk& desk : kDesks) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + desk.name);
            SmallScreen screen(desk.area, c.look);
            if (c.then) {
                c.then(screen);
                screen.settle();
            }
            const QList<Section> order = ReplyOrder::order(*screen.session);
            ASSERT_FALSE(order.isEmpty());
            const QWidget* newest = screen.widgetOf(order.last());
            if (order.last() == Section::conversation) {
                const QUuid last = screen.session->turns().last().id;
                newest = nullptr;
                for (const ChatList* list : screen.view()->findChildren<ChatList*>())
                    if (!newest)
                        newest = list->row(last);
            }
            ASSERT_NE(newest, nullptr);
            // Wholly inside the column's view, and that view wholly inside the panel.
            const QWidget* view = screen.replies()->viewport();
            const QRect shown = placeIn(newest, view);
            EXPECT_TRUE(view->rect().contains(shown))
                << shown.top() << " and " << shown.height() << " high in " << view->height();
            EXPECT_TRUE(screen.view()->rect().contains(placeIn(view, screen.view())));
            // A draft that is the newest reply keeps its box beside an older card, all but two
            // lines at most, and the instructions that made it stand whole above it.
            if (const auto* answer = qobject_cast<const AnswerArea*>(newest)) {
                EXPECT_GE(answer->height(), AnswerArea::kMaximum - 40);
                const auto* request = screen.view()->findChild<QWidget*>("instructionLine");
                EXPECT_TRUE(request && request->isVisibleTo(view) &&
                            view->rect().contains(placeIn(request, view)))
                    << "the instructions are not in view";
            }
        }
    }
}

// A column a few pixels short of room does not open scrolled by them, cutting what stands at its
// top: the draft's box, which scrolls its text anyway, gives them.
TEST(PanelOnSmallScreens, TheColumnNeverOpensScrolledByAFewPixels) {
    const struct {
        const char* name;
        QRectF area;
        const char* look;
        std::function<void(SmallScreen&)> then;
    } cases[] = {
        {"a long draft under its instruction, 1024 × 600 at 120 %", kNetbookAt120, "done",
         [](SmallScreen& screen) { screen.session->setDraft(PanelLooks::longDraft()); }},
        {"a document after an older draft and a card, 1366 × 768", kLaptop,
         "document-after-draft-and-card", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SmallScreen screen(c.area, c.look);
        if (c.then) {
            c.then(screen);
            screen.settle();
        }
        EXPECT_EQ(screen.replies()->verticalScrollBar()->value(), 0);
        EXPECT_EQ(screen.replies()->verticalScrollBar()->maximum(), 0);
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

// The conversation is cut where a draft or a card came, so that each stands right after the
// turn that made it; a section no turn made stands last.
TEST(ReplyOrder, TheConversationIsCutWhereADraftOrACardCame) {
    using SampleTurns::chat;
    using Place = ReplyOrder::Place;
    const ConversationTurn draft = chat("schreib", "Hallo", ReplyKind::draft);
    const ConversationTurn issue = PanelLooks::issueTurn();
    const ConversationTurn document = PanelLooks::weekPlanTurn();
    const ConversationTurn question = chat("warum?", "Darum.");
    const ConversationTurn again = chat("kürzer", "Hi", ReplyKind::draft);
    const auto visible = [](const ConversationTurn& turn) {
        return turn.kind && *turn.kind != ReplyKind::draft && !turn.hidden;
    };
    const QList<Section> all = {Section::conversation, Section::answer, Section::actionCard};
    const struct {
        const char* name;
        QList<ConversationTurn> turns;
        QList<Section> shown;
        QList<Place> places;
    } cases[] = {
        {"draft, issue, document",
         {draft, issue, document},
         all,
         {{Section::answer, {}},
          {Section::conversation, {issue.id}},
          {Section::actionCard, {}},
          {Section::conversation, {document.id}}}},
        {"a question, an issue, a new draft",
         {question, issue, again},
         all,
         {{Section::conversation, {question.id, issue.id}},
          {Section::actionCard, {}},
          {Section::answer, {}}}},
        {"a card no turn made stands last",
         {question},
         {Section::conversation, Section::actionCard},
         {{Section::conversation, {question.id}}, {Section::actionCard, {}}}},
        {"an older draft turn makes nothing: the answer is the last draft's",
         {draft, question, again, document},
         {Section::conversation, Section::answer},
         {{Section::conversation, {question.id}},
          {Section::answer, {}},
          {Section::conversation, {document.id}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReplyOrder::places(c.turns, c.shown, visible), c.places);
    }
}

}  // namespace
