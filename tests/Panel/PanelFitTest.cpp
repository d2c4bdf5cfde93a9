// The panel in its window as a user meets it: whatever it shows, its content stays inside the
// window, and every frame of its motion paints.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QLayoutItem>
#include <functional>

#include "Panel/ChatList.h"
#include "Panel/PanelController.h"
#include "Panel/PanelLooks.h"
#include "Panel/PanelView.h"
#include "Panel/ReplyScroll.h"
#include "Panel/StreamingText.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"
#include "SampleTurns.h"

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;

namespace {

using namespace SampleTurns;

struct FitCase {
    const char* name;
    std::function<void(AssistantSession&)> arrange;
    friend void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }
};

class PanelFit : public ::testing::TestWithParam<FitCase> {};

// Widgets inside a scroll area's viewport may lie outside it: the viewport clips them.
void visibleOutsideScrolling(QWidget* widget, QList<QWidget*>& found) {
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || !child->isVisible())
            continue;
        found << child;
        auto* area = qobject_cast<QAbstractScrollArea*>(child);
        if (!area)
            visibleOutsideScrolling(child, found);
    }
}

QString describe(const QWidget* widget) {
    return QStringLiteral("%1 \"%2\"")
        .arg(QLatin1String(widget->metaObject()->className()), widget->objectName());
}

TEST_P(PanelFit, EveryVisibleChildLiesInsideTheWindowAtItsOwnWidth) {
    Platform::FakeClock clock;
    Platform::FakeFloatingWindows windows;
    PanelController controller({clock, windows, [] { return true; }});
    RecordingPanelActions actions(clock);
    ContextSnapshot context;
    context.appName = QStringLiteral("App");
    AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
    actions.setSession(&session);
    controller.show(session, actions);
    GetParam().arrange(session);
    clock.advance(2s);
    // The view reports its new height after a layout pass, and the panel follows.
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();

    const QWidget& panel = controller.panel();
    ASSERT_EQ(controller.view()->geometry(), panel.rect())
        << "the view is " << controller.view()->width() << " wide in a window of " << panel.width();
    QList<QWidget*> shown;
    visibleOutsideScrolling(controller.view(), shown);
    for (const QWidget* widget : shown) {
        const QRect place(widget->mapTo(&panel, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(panel.rect().contains(place))
            << describe(widget).toStdString() << " lies past the window";
        // Parts that cannot shrink (buttons, chips, the mode switch) keep the width they need;
        // a row squeezing them would cut their labels.
        if (!(widget->sizePolicy().horizontalPolicy() & QSizePolicy::ShrinkFlag)) {
            EXPECT_GE(widget->width(),
                      QWidgetItem(const_cast<QWidget*>(widget)).minimumSize().width())
                << describe(widget).toStdString() << " is squeezed";
        }
    }
    // Each row the stack shows takes its spacing: an empty one would double a gap.
    for (const QWidget* row :
         controller.view()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (row->isVisible() && !row->isWindow()) {
            EXPECT_GT(row->height(), 0) << describe(row).toStdString() << " is shown empty";
        }
    }
    // A streaming draft is whole, not squeezed into its box, and scrolled to its newest words.
    if (const auto* text = controller.view()->findChild<StreamingText*>();
        text && text->isVisible()) {
        EXPECT_GE(text->height(), text->heightForWidth(text->width())) << "the draft is cut";
        EXPECT_EQ(text->visibleRegion().boundingRect().bottom(), text->rect().bottom())
            << "the newest words are out of view";
    }
    const auto* microphone = controller.view()->findChild<QWidget*>("microphoneButton");
    if (microphone && microphone->isVisible()) {
        EXPECT_TRUE(panel.rect().contains(
            QRect(microphone->mapTo(&panel, QPoint(0, 0)), microphone->size())));
    }
}

INSTANTIATE_TEST_SUITE_P(
    PanelView, PanelFit,
    ::testing::Values(FitCase{"action_card_in_a_conversation",
                              [](AssistantSession& session) {
                                  session.setTurns({actionTurn()});
                                  session.setActionProposal(hostileProposal());
                              }},
                      FitCase{"action_card_in_a_long_conversation",
                              [](AssistantSession& session) {
                                  session.setTurns(longConversation());
                                  session.setActionProposal(hostileProposal());
                              }},
                      FitCase{"action_card_failed",
                              [](AssistantSession& session) {
                                  session.setTurns({actionTurn()});
                                  session.setActionProposal(hostileProposal(ActionProposal::Failed{
                                      QStringLiteral("sh: 1: ") + kHostileTitle}));
                              }},
                      FitCase{"action_card_done",
                              [](AssistantSession& session) {
                                  session.setTurns({actionTurn()});
                                  session.setActionProposal(hostileProposal(
                                      ActionProposal::Done{kHostileText, std::nullopt}));
                              }},
                      FitCase{"conversation_streaming",
                              [](AssistantSession& session) {
                                  const ConversationTurn active = chat(kHostileTitle, {});
                                  session.setTurns({active});
                                  session.setActiveTurnID(active.id);
                                  session.setSentInstruction(kHostileText);
                                  session.setPhase(Phase::streaming());
                              }},
                      FitCase{"draft_done_with_a_card",
                              [](AssistantSession& session) {
                                  session.setTurns({chat(kHostileTitle, {}, ReplyKind::draft)});
                                  session.setAppliedInstructions({kHostileTitle, kHostileText});
                                  session.setDraft(kHostileText);
                                  session.setActionProposal(hostileProposal());
                                  session.setPhase(Phase::done());
                              }},
                      FitCase{"draft_streaming_long",
                              [](AssistantSession& session) {
                                  const ConversationTurn active =
                                      chat(kHostileTitle, {}, ReplyKind::draft);
                                  session.setTurns({active});
                                  session.setActiveTurnID(active.id);
                                  session.setSentInstruction(kHostileText);
                                  session.setPhase(Phase::streaming());
                                  QStringList lines;
                                  for (int line = 1; line <= 41; ++line)
                                      lines << QStringLiteral("Zeile %1").arg(line);
                                  session.setDraft(lines.join(u'\n'));
                              }},
                      FitCase{"ready", [](AssistantSession&) {}},
                      FitCase{"listening",
                              [](AssistantSession& session) {
                                  session.setListening(true);
                                  session.setLiveConfirmed(kHostileTitle);
                              }},
                      FitCase{"failed", [](AssistantSession& session) {
                                  session.setSentInstruction(kHostileText);
                                  session.setPhase(Phase::failed(
                                      AssistantProblem::generic(kHostileTitle + kHostileText)));
                              }}));

// Counts Qt's complaints about painters while it lives.
class PainterWarnings {
public:
    PainterWarnings() {
        count_ = 0;
        previous_ = qInstallMessageHandler(&PainterWarnings::handle);
    }
    ~PainterWarnings() { qInstallMessageHandler(previous_); }
    int count() const { return count_; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.startsWith(QLatin1String("QPainter")) ||
            message.contains(QLatin1String("Painter not active")))
            ++count_;
        if (previous_)
            previous_(type, context, message);
    }
    static inline int count_ = 0;
    static inline QtMessageHandler previous_ = nullptr;
};

// Rows that a reply brings in fade in while the panel's own sections are still entering, and
// while the window's content is drawn through the panel's spring: each effect inside another
// must paint, not fail on a second painter.
TEST(PanelMotion, RowsFadingInWhileThePanelEntersArePainted) {
    for (const bool composited : {false, true}) {
        Platform::FakeClock clock;
        Platform::FakeFloatingWindows windows;
        windows.compositing = composited;
        PanelController controller({clock, windows, [] { return false; }});
        RecordingPanelActions actions(clock);
        AssistantSession session(std::nullopt, std::nullopt, ProviderID::claudeCLI);
        actions.setSession(&session);
        PainterWarnings warnings;
        controller.show(session, actions);
        for (int frame = 0; frame < 90; ++frame) {
            // The reply arrives in the entrance's last stretch, where its sections are at rest.
            if (frame == 30) {
                session.setTurns({actionTurn()});
                session.setActionProposal(hostileProposal());
            }
            clock.advance(16ms);
            controller.panel().repaint();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(warnings.count(), 0) << (composited ? "composited" : "plain");
    }
}

// The newest reply is what the user reads: a draft and a card from before stay, but they do
// not leave it a strip to scroll in. Once the panel has settled, all of it is in view.
TEST(PanelFit, TheNewestReplyIsWhollyInViewBesideAnOlderDraftAndCard) {
    ConversationTurn explained = chat(QStringLiteral("Was macht die Aktion genau?"),
                                      QStringLiteral("Sie legt eine Notiz an:\n\n- mit dem Titel\n"
                                                     "- mit dem Text\n- in deiner Datei\n\n"
                                                     "Mehr macht sie nicht."));
    const struct {
        const char* name;
        QList<ConversationTurn> turns;
        bool draft;
        bool card;
    } cases[] = {
        {"document after a draft and a card",
         {PanelLooks::draftTurn(), actionTurn(), PanelLooks::shoppingListTurn()},
         true,
         true},
        {"document after a draft",
         {PanelLooks::draftTurn(), PanelLooks::shoppingListTurn()},
         true,
         false},
        {"answer after a card", {actionTurn(), explained}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Platform::FakeClock clock;
        Platform::FakeFloatingWindows windows;
        PanelController controller({clock, windows, [] { return true; }});
        RecordingPanelActions actions(clock);
        const PanelLooks::Look look{c.name, [&](AssistantSession& session, RecordingPanelActions&) {
                                        session.setTurns(c.turns);
                                        if (c.draft)
                                            session.setDraft(PanelLooks::kDraft);
                                        if (c.card)
                                            session.setActionProposal(hostileProposal());
                                    }};
        const auto session = PanelLooks::openSettled(look, controller, actions, clock);
        const ChatTurnRow* newest = nullptr;
        for (const ChatList* list : controller.view()->findChildren<ChatList*>())
            if (!newest)
                newest = list->row(c.turns.last().id);
        ASSERT_NE(newest, nullptr);
        const QWidget* view = controller.view()->findChild<ReplyScroll*>()->viewport();
        const QRect shown(newest->mapTo(view, QPoint(0, 0)), newest->size());
        EXPECT_TRUE(view->rect().contains(shown))
            << "the newest turn is " << newest->height() << " high in a column " << view->height()
            << " high, at " << shown.top();
        controller.hide();
        clock.advance(1s);
    }
}

}  // namespace
