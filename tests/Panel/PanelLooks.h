#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "Panel/AssistantSession.h"
#include "Panel/RecordingPanelActions.h"
#include "Panel/SampleTurns.h"

// The panel in each of its phases, as a user meets them: the gallery draws each one and the
// tests open and close the panel in each.
namespace PanelLooks {

using Phase = AssistantSession::Phase;

inline ConversationTurn draftTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("Antworte freundlich und kurz");
    turn.kind = ReplyKind::draft;
    return turn;
}

inline const QString kDraft = QStringLiteral(
    "Hallo Anna,\n\ndanke für deine Nachricht! Donnerstag um 15 Uhr passt mir gut – ich bringe "
    "die Unterlagen mit.\n\nViele Grüße\nJonas");

struct Look {
    const char* name;
    std::function<void(AssistantSession&, RecordingPanelActions&)> arrange;
};

inline const std::vector<Look> kLooks{
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

}  // namespace PanelLooks
