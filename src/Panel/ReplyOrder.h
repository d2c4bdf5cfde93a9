#pragma once

#include <QList>

#include "AI/ConversationTurn.h"

class AssistantSession;

// Where the panel's replies stand. The conversation, the draft and the two cards each stand
// where their reply came in the conversation, the newest last, right above the field for the
// next instruction: a draft or a card from before never reads as the answer to what was asked
// after it.
namespace ReplyOrder {

// The middle sections of the panel, in the order they stand when their replies are equally new.
enum class Section { conversation, answer, actionCard, definitionCard };

// The sections the session shows, from the oldest reply to the newest. Each section is as old
// as the last turn that made it: the conversation its last visible turn, the answer its last
// draft, a card its last action or new-action reply. A section no turn made counts as the
// newest.
QList<Section> order(const AssistantSession& session);
// The same from the turns alone, for the sections in `shown`.
QList<Section> order(const QList<ConversationTurn>& turns, const QList<Section>& shown);

// The sections the session shows, in the order of Section.
QList<Section> shown(const AssistantSession& session);

}  // namespace ReplyOrder
