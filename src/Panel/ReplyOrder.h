#pragma once

#include <QList>
#include <QUuid>
#include <functional>

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

// One place in the column: a section, and for a stretch of the conversation the turns it holds.
struct Place {
    Section section;
    QList<QUuid> turns;
    bool operator==(const Place&) const = default;
};

// The column from top to bottom. The conversation is cut where a draft or a card came: each
// stands right after the turn that made it, so that no reply stands above what asked for it
// and none between a request and its own reply. Sections no turn made come last.
QList<Place> places(const AssistantSession& session);
// The same from the turns alone, for the sections in `shown`; `visible` tells the turns the
// conversation shows.
QList<Place> places(const QList<ConversationTurn>& turns, const QList<Section>& shown,
                    const std::function<bool(const ConversationTurn&)>& visible);

// The sections the session shows, in the order of Section.
QList<Section> shown(const AssistantSession& session);

}  // namespace ReplyOrder
