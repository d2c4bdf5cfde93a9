#include "Panel/ChatList.h"

#include <QSet>
#include <QVBoxLayout>

#include "Panel/AssistantSession.h"

ChatList::ChatList(AssistantSession& session, Platform::UrlOpener* opener, QWidget* parent)
    : QWidget(parent), session_(&session), opener_(opener), layout_(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("chatList"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout_->setContentsMargins(2, 0, 2, 0);
    layout_->setSpacing(8);

    connect(&session, &AssistantSession::turnsChanged, this, &ChatList::sync);
    connect(&session, &AssistantSession::activeTurnIDChanged, this, &ChatList::sync);
    sync();
}

ChatList::~ChatList() = default;

void ChatList::setCardFactory(ChatTurnRow::CardFactory factory) {
    cardFactory_ = std::move(factory);
    // Rows made so far were made without it.
    for (ChatTurnRow* row : std::as_const(rows_))
        delete row;
    rows_.clear();
    sync();
}

void ChatList::setStretch(std::optional<QList<QUuid>> ids) {
    if (stretch_ == ids)
        return;
    stretch_ = std::move(ids);
    sync();
}

QList<ChatTurnRow*> ChatList::rows() const {
    QList<ChatTurnRow*> ordered;
    for (int i = 0; i < layout_->count(); ++i)
        if (auto* row = qobject_cast<ChatTurnRow*>(layout_->itemAt(i)->widget()))
            ordered.append(row);
    return ordered;
}

ChatTurnRow* ChatList::newestRow() const {
    const QList<ChatTurnRow*> ordered = rows();
    return ordered.isEmpty() ? nullptr : ordered.last();
}

void ChatList::sync() {
    if (!session_)
        return;
    QList<ConversationTurn> turns = session_->chatTurns();
    if (stretch_) {
        const QSet<QUuid> wanted(stretch_->begin(), stretch_->end());
        turns.removeIf(
            [&wanted](const ConversationTurn& turn) { return !wanted.contains(turn.id); });
    }
    const std::optional<QUuid> active = session_->activeTurnID();

    QSet<QUuid> present;
    for (const ConversationTurn& turn : turns)
        present.insert(turn.id);
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (present.contains(it.key())) {
            ++it;
            continue;
        }
        delete it.value();
        it = rows_.erase(it);
    }

    for (qsizetype index = 0; index < turns.size(); ++index) {
        const ConversationTurn& turn = turns[index];
        ChatTurnRow* row = rows_.value(turn.id);
        if (!row) {
            row = new ChatTurnRow(opener_, cardFactory_, this);
            rows_.insert(turn.id, row);
        }
        if (layout_->indexOf(row) != index) {
            layout_->removeWidget(row);
            layout_->insertWidget(int(index), row);
            // A layout shows a new child only on the next event-loop turn; the column's height
            // is measured now.
            row->show();
        }
        row->setTurn(turn, active == turn.id);
    }
}
