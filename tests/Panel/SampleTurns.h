#pragma once

#include <QString>

#include "Panel/AssistantSession.h"

// Turns and proposals as a tool's replies leave them in the session, with the values that
// strain the panel most.
namespace SampleTurns {

// Values a tool may propose that the shell must never see as code, and words no line can break.
inline const QString kHostileTitle = QStringLiteral(
    "it's \"quoted\" $(touch \"$TRAP/dollar\") `touch \"$TRAP/tick\"` "
    "Donaudampfschifffahrtsgesellschaftskapitänsmützenabzeichenherstellungsbetrieb");
inline const QString kHostileText = QStringLiteral(
                                        "line one\n; touch \"$TRAP/semicolon\" && echo "
                                        "{{titel}} $HOME ") +
                                    QString(160, QLatin1Char('x'));

inline ActionProposal hostileProposal(ActionProposal::Status status = ActionProposal::Pending{}) {
    AssistantAction action;
    action.id = QStringLiteral("notiz");
    action.name = QStringLiteral("Notiz");
    action.kind = AssistantAction::Kind::shell;
    action.templateText = QStringLiteral("printf '[%s]\\n' {{titel}} {{text}} >> \"$TRAP/out\"");
    action.parameters = {QStringLiteral("titel"), QStringLiteral("text")};
    ActionProposal proposal;
    proposal.action = action;
    proposal.params = {{QStringLiteral("titel"), kHostileTitle},
                       {QStringLiteral("text"), kHostileText}};
    proposal.summary = QStringLiteral("Legt eine Notiz an.");
    proposal.status = std::move(status);
    return proposal;
}

inline ConversationTurn chat(const QString& user, const QString& reply,
                             ReplyKind kind = ReplyKind::chat) {
    ConversationTurn turn;
    turn.user = user;
    turn.kind = kind;
    turn.reply = reply;
    return turn;
}

// The turn an action reply leaves in the conversation.
inline ConversationTurn actionTurn() {
    ConversationTurn turn = chat(QStringLiteral("Leg eine Notiz an"), {}, ReplyKind::action);
    turn.display = QStringLiteral("✦ Legt eine Notiz an.");
    return turn;
}

inline QList<ConversationTurn> longConversation() {
    QList<ConversationTurn> turns;
    for (int i = 0; i < 6; ++i)
        turns << chat(QStringLiteral("Frage %1: ").arg(i) + QString(90, QLatin1Char('w')),
                      QStringLiteral("Antwort mit `code` und https://example.org/") +
                          QString(120, QLatin1Char('p')));
    turns << actionTurn();
    return turns;
}

}  // namespace SampleTurns
