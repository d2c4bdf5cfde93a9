#pragma once

#include <QWidget>
#include <functional>

#include "AI/ConversationTurn.h"

class ChatBubble;

namespace Platform {
class UrlOpener;
}

// One turn of the conversation: the user's bubble on the right (when they wrote more than
// blanks), then the reply on the left: typing dots while the turn being answered has no text
// yet, else the reply bubble, or the document card for a document reply.
class ChatTurnRow : public QWidget {
    Q_OBJECT

public:
    // Builds the card of a document reply; `writing` while the document still arrives.
    using CardFactory =
        std::function<QWidget*(const ConversationTurn& turn, bool writing, QWidget* parent)>;

    // How close a bubble may come to the other edge.
    static constexpr int kOppositeGap = 70;

    ChatTurnRow(Platform::UrlOpener* opener, CardFactory cardFactory, QWidget* parent = nullptr);

    // Shows `turn`; `active` when it is the turn being answered. Parts whose content did not
    // change are left alone.
    void setTurn(const ConversationTurn& turn, bool active);
    const ConversationTurn& turn() const { return turn_; }

    // What the reply bubble says for a turn that is not a document.
    static QString replyText(const ConversationTurn& turn);

    ChatBubble* userBubble() const { return userBubble_; }
    ChatBubble* replyBubble() const { return replyBubble_; }
    QWidget* typingRow() const { return typingRow_; }
    QWidget* card() const { return card_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitBubbles();

    CardFactory cardFactory_;
    ConversationTurn turn_;
    bool active_ = false;
    bool shown_ = false;
    QWidget* userLine_;
    ChatBubble* userBubble_;
    QWidget* replyLine_;
    ChatBubble* replyBubble_;
    QWidget* typingRow_;
    QWidget* cardHolder_;
    QWidget* card_ = nullptr;
};
