#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "Panel/AssistantSession.h"
#include "Panel/PanelController.h"
#include "Panel/RecordingPanelActions.h"
#include "Panel/SampleTurns.h"
#include "Platform/fake/FakeClock.h"

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

// A document written after a draft and an action card, which stay.
inline ConversationTurn shoppingListTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("schreib mir eine Einkaufsliste als Datei");
    turn.kind = ReplyKind::document;
    turn.reply =
        QStringLiteral("# Einkaufsliste\n\n- Milch\n- Brot\n- Äpfel\n- Kaffee\n- Käse\n- Tomaten");
    turn.documentURL = QUrl::fromLocalFile(
        QStringLiteral("/home/jonas/.local/share/org.tavrin.Tavrin/Dokumente/Einkaufsliste.md"));
    return turn;
}

// What the user asked after a draft: an issue made of it, then a document about it.
inline ConversationTurn issueTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("mach ein issue draus");
    turn.kind = ReplyKind::action;
    turn.reply = QStringLiteral("{\"id\": \"github_issue\"}");
    turn.display = QStringLiteral("✦ Legt ein Issue an.");
    return turn;
}

inline ActionProposal issueProposal() {
    ActionProposal proposal;
    proposal.action = AssistantAction::builtIns().front();
    proposal.params = {
        {QStringLiteral("repo"), QStringLiteral("octo/app")},
        {QStringLiteral("title"), QStringLiteral("Termin Donnerstag 15 Uhr vorbereiten")},
        {QStringLiteral("body"), QStringLiteral("Unterlagen für Donnerstag zusammenstellen und "
                                                "die offenen Punkte klären.")},
        {QStringLiteral("labels"), QStringLiteral("todo")}};
    proposal.summary = QStringLiteral("Legt ein Issue an.");
    return proposal;
}

inline ConversationTurn weekPlanTurn() {
    ConversationTurn turn;
    turn.user = QStringLiteral("schreib ein dokument dazu");
    turn.kind = ReplyKind::document;
    turn.reply = QStringLiteral(
        "# Plan für die Woche\n\n- Montag: Unterlagen sammeln\n- Dienstag: offene Punkte "
        "klären\n- Mittwoch: Entwurf schreiben\n- Donnerstag: Termin um 15 Uhr\n- Freitag: "
        "Nachbereitung\n\nWeitere Notizen folgen.");
    turn.display = QStringLiteral("Plan für die Woche");
    turn.documentURL = QUrl::fromLocalFile(QStringLiteral(
        "/home/jonas/.local/share/org.tavrin.Tavrin/Dokumente/Plan-fuer-die-Woche.md"));
    return turn;
}

// A long reply: more lines than the draft's box shows.
inline QString longDraft() {
    QStringList lines{QStringLiteral("Hallo Anna,"), QString(),
                      QStringLiteral("danke für deine Nachricht! Donnerstag um 15 Uhr passt mir "
                                     "gut – ich bringe die Unterlagen mit."),
                      QString()};
    for (int point = 1; point <= 8; ++point)
        lines << QStringLiteral("- Punkt %1: noch zu klären, wer das übernimmt und bis wann")
                     .arg(point);
    lines << QString() << QStringLiteral("Viele Grüße") << QStringLiteral("Jonas");
    return lines.join(u'\n');
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
    {"document-after-draft-and-card",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({draftTurn(), SampleTurns::actionTurn(), shoppingListTurn()});
         session.setDraft(kDraft);
         ActionProposal proposal = SampleTurns::hostileProposal();
         proposal.params = {{QStringLiteral("titel"), QStringLiteral("Einkauf")},
                            {QStringLiteral("text"), QStringLiteral("Milch, Brot, Äpfel")}};
         session.setActionProposal(proposal);
     }},
    {"draft-then-issue",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({draftTurn(), issueTurn()});
         session.setAppliedInstructions({draftTurn().user});
         session.setDraft(longDraft());
         session.setActionProposal(issueProposal());
         session.setPhase(Phase::done());
     }},
    {"issue-then-draft",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({issueTurn(), draftTurn()});
         session.setAppliedInstructions({draftTurn().user});
         session.setDraft(longDraft());
         session.setActionProposal(issueProposal());
         session.setPhase(Phase::done());
     }},
    {"draft-issue-document",
     [](AssistantSession& session, RecordingPanelActions&) {
         session.setTurns({draftTurn(), issueTurn(), weekPlanTurn()});
         session.setAppliedInstructions({draftTurn().user});
         session.setDraft(longDraft());
         session.setActionProposal(issueProposal());
         session.setPhase(Phase::done());
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

// Opens the panel beside a field of Mail (at `field`) in `look` and lets it settle frame by frame,
// as on screen: the view reports its new height after a layout pass, the panel follows, and the
// conversation scrolls to its newest turn once the bubbles have their size. The session is
// the one the panel shows: keep it until the panel is hidden.
inline std::unique_ptr<AssistantSession> openSettled(const Look& look, PanelController& controller,
                                                     RecordingPanelActions& actions,
                                                     Platform::FakeClock& clock,
                                                     QRectF field = QRectF(100, 100, 400, 30)) {
    ContextSnapshot context;
    context.appName = QStringLiteral("Mail");
    context.fieldFrame = field;
    auto session = std::make_unique<AssistantSession>(std::nullopt, context, ProviderID::claudeCLI);
    actions.setSession(session.get());
    controller.show(*session, actions);
    look.arrange(*session, actions);
    for (int frame = 0; frame < 120; ++frame) {
        QCoreApplication::processEvents();
        clock.advance(std::chrono::milliseconds(16));
    }
    return session;
}

}  // namespace PanelLooks
