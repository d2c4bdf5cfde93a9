#pragma once

#include <QHash>
#include <QPointer>
#include <QScrollArea>
#include <QUuid>
#include <chrono>
#include <memory>
#include <optional>

#include "Panel/ChatTurnRow.h"

class AssistantSession;
class QVBoxLayout;

namespace Platform {
class Clock;
class Timer;
class UrlOpener;
}  // namespace Platform

// The conversation of the panel: one row per visible turn, in order, in a list that is only
// as tall as its content up to a limit (110 with a card, 150 with a draft, 260 otherwise;
// when its newest turn is later than the draft and the cards, that turn has room for all of
// it up to 260).
//
// Rows are kept by turn id: when the session's turns change, rows of vanished turns go, new
// turns get a row, and every other row is handed its turn again, which redraws nothing unless
// that turn changed. So a streamed chunk touches only the bubble of the turn being answered.
//
// When a new turn arrives or a request starts, the list scrolls the newest turn's top into
// view in two passes (after 0.03 s, then 0.18 s later), animated with a spring. The passes'
// timers belong to the list: they end with it.
class ChatList : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int kMaxHeight = 260;
    static constexpr int kMaxHeightWithDraft = 150;
    static constexpr int kMaxHeightWithCard = 110;

    ChatList(AssistantSession& session, Platform::Clock& clock, Platform::UrlOpener* opener,
             QWidget* parent = nullptr);
    ~ChatList() override;

    void setCardFactory(ChatTurnRow::CardFactory factory);

    // The rows, top to bottom.
    QList<ChatTurnRow*> rows() const;
    ChatTurnRow* row(const QUuid& id) const { return rows_.value(id); }
    int maximumListHeight() const;
    // The height of the newest turn's row at the list's width; 0 without turns.
    int newestTurnHeight() const;

    // Starts the two scroll passes to the newest turn; returns at once.
    void scrollToNewestTurn();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();
    void onActiveTurnChanged();
    void fitHeight();
    void scrollPass();
    void animateTo(int target);
    void stepAnimation();
    int newestTurnTop() const;

    QPointer<AssistantSession> session_;
    Platform::Clock& clock_;
    Platform::UrlOpener* opener_;
    ChatTurnRow::CardFactory cardFactory_;
    QWidget* content_;
    QVBoxLayout* layout_;
    QHash<QUuid, ChatTurnRow*> rows_;
    std::optional<QUuid> lastTurnID_;
    std::optional<QUuid> activeTurnID_;
    bool appeared_ = false;

    std::unique_ptr<Platform::Timer> firstPass_;
    std::unique_ptr<Platform::Timer> secondPass_;
    std::unique_ptr<Platform::Timer> animation_;
    std::chrono::nanoseconds animationStart_{0};
    int animationFrom_ = 0;
    int animationTo_ = 0;
};
