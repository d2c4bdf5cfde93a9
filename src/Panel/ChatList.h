#pragma once

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <optional>

#include "Panel/ChatTurnRow.h"

class AssistantSession;
class QVBoxLayout;

namespace Platform {
class UrlOpener;
}  // namespace Platform

// The conversation of the panel, or a stretch of it: one row per visible turn, in order, as
// tall as its rows. It never scrolls itself: the column of replies around it does, so that one
// scroll bar serves the conversation, the draft and the cards together.
//
// Rows are kept by turn id: when the session's turns change, rows of vanished turns go, new
// turns get a row, and every other row is handed its turn again, which redraws nothing unless
// that turn changed. So a streamed chunk touches only the bubble of the turn being answered.
class ChatList : public QWidget {
    Q_OBJECT

public:
    ChatList(AssistantSession& session, Platform::UrlOpener* opener, QWidget* parent = nullptr);
    ~ChatList() override;

    void setCardFactory(ChatTurnRow::CardFactory factory);
    // Shows only the turns of `ids` (in the session's order); none: every visible turn.
    void setStretch(std::optional<QList<QUuid>> ids);

    // The rows, top to bottom.
    QList<ChatTurnRow*> rows() const;
    ChatTurnRow* row(const QUuid& id) const { return rows_.value(id); }
    // The row of the last turn shown; null without turns.
    ChatTurnRow* newestRow() const;

private:
    void sync();

    QPointer<AssistantSession> session_;
    Platform::UrlOpener* opener_;
    ChatTurnRow::CardFactory cardFactory_;
    QVBoxLayout* layout_;
    QHash<QUuid, ChatTurnRow*> rows_;
    std::optional<QList<QUuid>> stretch_;
};
