#include "Panel/ReplyOrder.h"

#include <algorithm>
#include <limits>

#include "Panel/AssistantSession.h"

namespace ReplyOrder {

namespace {

constexpr qsizetype kNewest = std::numeric_limits<qsizetype>::max();

// The index of the last turn that `matches`; kNewest when none does.
qsizetype lastIndex(const QList<ConversationTurn>& turns, auto&& matches) {
    for (qsizetype index = turns.size() - 1; index >= 0; --index)
        if (matches(turns[index]))
            return index;
    return kNewest;
}

qsizetype lastOfKind(const QList<ConversationTurn>& turns, ReplyKind kind) {
    return lastIndex(turns, [kind](const ConversationTurn& turn) { return turn.kind == kind; });
}

qsizetype age(const QList<ConversationTurn>& turns, Section section) {
    switch (section) {
        case Section::conversation:
            return lastIndex(turns, [](const ConversationTurn& turn) {
                return turn.kind && *turn.kind != ReplyKind::draft && !turn.hidden;
            });
        case Section::answer:
            return lastOfKind(turns, ReplyKind::draft);
        case Section::actionCard:
            return lastOfKind(turns, ReplyKind::action);
        case Section::definitionCard:
            return lastOfKind(turns, ReplyKind::newAction);
    }
    return kNewest;
}

}  // namespace

QList<Section> shown(const AssistantSession& session) {
    const auto active = session.activeTurn();
    const bool streaming = session.phase().kind() == AssistantSession::Phase::Kind::streaming;
    const auto activeIs = [&](ReplyKind kind) {
        return streaming && active && active->kind == kind;
    };
    QList<Section> sections;
    if (!session.chatTurns().isEmpty() || activeIs(ReplyKind::chat))
        sections.append(Section::conversation);
    if (session.hasDraft() || activeIs(ReplyKind::draft))
        sections.append(Section::answer);
    if (session.actionProposal())
        sections.append(Section::actionCard);
    if (session.definitionProposal())
        sections.append(Section::definitionCard);
    return sections;
}

QList<Section> order(const AssistantSession& session) {
    return order(session.turns(), shown(session));
}

QList<Section> order(const QList<ConversationTurn>& turns, const QList<Section>& shown) {
    QList<Section> sorted = shown;
    std::stable_sort(sorted.begin(), sorted.end(), [&turns](Section a, Section b) {
        const qsizetype ageA = age(turns, a);
        const qsizetype ageB = age(turns, b);
        return ageA != ageB ? ageA < ageB : a < b;
    });
    return sorted;
}

QList<Place> places(const AssistantSession& session) {
    return places(session.turns(), shown(session), [](const ConversationTurn& turn) {
        return turn.kind && *turn.kind != ReplyKind::draft && !turn.hidden;
    });
}

QList<Place> places(const QList<ConversationTurn>& turns, const QList<Section>& shown,
                    const std::function<bool(const ConversationTurn&)>& visible) {
    const bool conversation = shown.contains(Section::conversation);
    // Each reply section with the index of the turn that made it.
    QList<std::pair<Section, qsizetype>> replies;
    for (const Section section : shown)
        if (section != Section::conversation)
            replies.append({section, age(turns, section)});
    QList<Place> column;
    Place stretch{Section::conversation, {}};
    const auto closeStretch = [&] {
        if (conversation && !stretch.turns.isEmpty())
            column.append(stretch);
        stretch.turns.clear();
    };
    const auto placeMadeAt = [&](qsizetype index) {
        for (const auto& [section, madeAt] : std::as_const(replies)) {
            if (madeAt != index)
                continue;
            closeStretch();
            column.append({section, {}});
        }
    };
    for (qsizetype index = 0; index < turns.size(); ++index) {
        if (visible(turns[index]))
            stretch.turns.append(turns[index].id);
        placeMadeAt(index);
    }
    closeStretch();
    placeMadeAt(kNewest);
    return column;
}

}  // namespace ReplyOrder
