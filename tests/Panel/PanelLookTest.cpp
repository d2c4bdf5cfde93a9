// Renders the panel in each phase, light and dark, into PNG files in the build folder
// (panel-look/), on a plain backdrop, for looking at it as a user would.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <functional>

#include "Design/Theme.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeFloatingWindows.h"
#include "RecordingPanelActions.h"
#include "SampleTurns.h"

using namespace std::chrono_literals;
using Phase = AssistantSession::Phase;

namespace {

ConversationTurn draftTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("Antworte freundlich und kurz");
    turn.kind = ReplyKind::draft;
    return turn;
}

const QString kDraft = QStringLiteral(
    "Hallo Anna,\n\ndanke für deine Nachricht! Donnerstag um 15 Uhr passt mir gut – ich bringe "
    "die Unterlagen mit.\n\nViele Grüße\nJonas");

struct Look {
    const char* name;
    std::function<void(AssistantSession&, RecordingPanelActions&)> arrange;
};

const std::vector<Look> kLooks{
    {"ready", [](AssistantSession&, RecordingPanelActions&) {}},
    {"screen-hint", [](AssistantSession&,
                       RecordingPanelActions& actions) { actions.setDemoForceScreenHint(true); }},
    {"listening",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setListening(true);
         session.setLiveConfirmed(QStringLiteral("Sag ihr, dass Donnerstag "));
         session.setLiveTentative(QStringLiteral("passt"));
         session.setLevels(
             {0.1f, 0.3f, 0.6f, 0.9f, 0.5f, 0.2f, 0.4f, 0.8f, 0.6f, 0.3f, 0.1f, 0.2f, 0.5f, 0.3f});
     }},
    {"sending",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setSentInstruction(QStringLiteral("Antworte freundlich und kurz"));
         session.setWaitStage(AssistantSession::WaitStage::connecting);
         session.setPhase(Phase::streaming());
     }},
    {"streaming",
     [](AssistantSession& session, RecordingPanelActions&) {
         const ConversationTurn turn = draftTurn();
         session.setTurns({turn});
         session.setActiveTurnID(turn.id);
         session.setSentInstruction(turn.user);
         session.setDraft(kDraft.left(60));
         session.setWaitStage(AssistantSession::WaitStage::writing);
         session.setPhase(Phase::streaming());
     }},
    {"streaming-long",
     [](AssistantSession& session, RecordingPanelActions&) {
         const ConversationTurn turn = draftTurn();
         session.setTurns({turn});
         session.setActiveTurnID(turn.id);
         session.setSentInstruction(turn.user);
         QStringList lines;
         for (int line = 1; line <= 41; ++line)
             lines << QStringLiteral("Zeile %1 des Entwurfs").arg(line);
         session.setDraft(lines.join(u'\n'));
         session.setWaitStage(AssistantSession::WaitStage::writing);
         session.setPhase(Phase::streaming());
     }},
    {"compact-quote-of-two-lines",
     [](AssistantSession& session, RecordingPanelActions&) {
         QuotedMessage quote;
         quote.author = QStringLiteral("Anna Berg");
         quote.text = QStringLiteral("Erste Zeile\nZweite Zeile");
         session.setQuote(quote);
         session.setTurns({draftTurn()});
         session.setDraft(kDraft);
         session.setPhase(Phase::done());
     }},
    {"done",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({draftTurn()});
         session.setAppliedInstructions(
             {QStringLiteral("Antworte freundlich und kurz"), QStringLiteral("kürzer")});
         session.setDraft(kDraft);
         session.setPhase(Phase::done());
     }},
    {"conversation",
     [](AssistantSession& session, RecordingPanelActions&) {
         QuotedMessage quote;
         quote.author = QStringLiteral("Anna Berg");
         quote.text = QStringLiteral("Passt dir Donnerstag um 15 Uhr?");
         session.setQuote(quote);
         ConversationTurn first;
         first.user = QStringLiteral("Was schlägt sie vor?");
         first.kind = ReplyKind::chat;
         first.reply = QStringLiteral("Sie fragt nach **Donnerstag, 15 Uhr**.");
         ConversationTurn second;
         second.user = QStringLiteral("Und was passt mir laut Kalender?");
         second.kind = ReplyKind::chat;
         second.reply = QStringLiteral(
             "Laut deinem Kalender:\n\n- Donnerstag *ab 14 Uhr* frei\n- Freitag ganztags "
             "belegt\n\nDetails: [Kalender](https://example.org/kalender)");
         session.setTurns({first, second});
     }},
    {"action-card",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({SampleTurns::actionTurn()});
         ActionProposal proposal = SampleTurns::hostileProposal();
         proposal.params = {{QStringLiteral("titel"), QStringLiteral("Einkauf")},
                            {QStringLiteral("text"), QStringLiteral("Milch, Brot, Äpfel")}};
         session.setActionProposal(proposal);
     }},
    {"action-card-long-conversation",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns(SampleTurns::longConversation());
         session.setActionProposal(SampleTurns::hostileProposal());
     }},
    {"dictation-error",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setDictationError(QStringLiteral("Kein Mikrofon gefunden."));
     }},
    {"failed",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setSentInstruction(QStringLiteral("Antworte freundlich und kurz"));
         session.setPhase(Phase::failed(AssistantProblem::offline()));
     }},
};

TEST(PanelLook, RendersEveryPhaseLightAndDark) {
    const QString folder = QStringLiteral(TAVRIN_BINARY_DIR "/panel-look");
    QDir().mkpath(folder);
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        Platform::FakeClock clock;
        Theme theme(appearance, clock);
        for (const bool composited : {false, true}) {
            Platform::FakeFloatingWindows windows;
            windows.compositing = composited;
            PanelController controller({clock, windows, [] { return false; }});
            RecordingPanelActions actions(clock);
            for (const Look& look : kLooks) {
                ContextSnapshot context;
                context.appName = QStringLiteral("Mail");
                context.fieldFrame = QRectF(100, 100, 400, 30);
                AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
                actions.setSession(&session);
                controller.show(session, actions);
                look.arrange(session, actions);
                // Frame by frame, as on screen: the view reports its new height after a
                // layout pass, the panel follows, and the conversation scrolls to its newest
                // turn once the bubbles have their size.
                for (int frame = 0; frame < 120; ++frame) {
                    QCoreApplication::processEvents();
                    clock.advance(16ms);
                }
                QCoreApplication::processEvents();
                const QPixmap panel = controller.panel().grab();
                // A desk behind it: a translucent panel shows what lies below.
                QImage shot(panel.size() + QSize(48, 48), QImage::Format_ARGB32_Premultiplied);
                shot.fill(dark ? QColor(24, 40, 64) : QColor(170, 190, 215));
                QPainter painter(&shot);
                painter.setPen(dark ? QColor(60, 80, 110) : QColor(120, 140, 170));
                for (int y = 0; y < shot.height(); y += 23)
                    painter.drawText(4, y, QStringLiteral("Ein Text dahinter, der durchscheint."));
                // Without a compositor the window shows only inside its shape.
                if (!controller.panel().mask().isEmpty())
                    painter.setClipRegion(controller.panel().mask().translated(24, 24));
                painter.drawPixmap(24, 24, panel);
                painter.end();
                const QString file =
                    QStringLiteral("%1/%2-%3%4.png")
                        .arg(folder, QLatin1String(look.name),
                             dark ? QStringLiteral("dark") : QStringLiteral("light"),
                             composited ? QStringLiteral("-glass") : QString());
                EXPECT_TRUE(shot.save(file)) << file.toStdString();
                controller.hide();
                clock.advance(1s);
                // What moves in it (the spinner, the cursor, the waveform, the fades) moves
                // only while it shows: closed, it leaves nothing to wake the idle program.
                EXPECT_EQ(clock.pendingTimers(), 0) << look.name;
                actions.setDemoForceScreenHint(false);
                actions.setSession(nullptr);
            }
        }
    }
}

}  // namespace
