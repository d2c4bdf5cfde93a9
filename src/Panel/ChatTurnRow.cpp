#include "Panel/ChatTurnRow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/TypingDots.h"
#include "Panel/ChatBubble.h"

namespace {

// The rounded box that holds the typing dots.
class TypingBox final : public QWidget {
public:
    explicit TypingBox(QWidget* parent) : QWidget(parent) {
        setFixedHeight(30);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(14, 0, 14, 0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        RoundedBox::fill(painter, rect(), 12, DS::Palette::fill.resolve(this));
    }
};

QHBoxLayout* line(QWidget* widget) {
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

QSpacerItem* gap() {
    return new QSpacerItem(ChatTurnRow::kOppositeGap, 0, QSizePolicy::Expanding,
                           QSizePolicy::Minimum);
}

}  // namespace

ChatTurnRow::ChatTurnRow(Platform::UrlOpener* opener, CardFactory cardFactory, QWidget* parent)
    : QWidget(parent),
      cardFactory_(std::move(cardFactory)),
      userLine_(new QWidget(this)),
      userBubble_(new ChatBubble(true, opener, userLine_)),
      replyLine_(new QWidget(this)),
      replyBubble_(new ChatBubble(false, opener, replyLine_)),
      typingRow_(new QWidget(this)),
      cardHolder_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* user = line(userLine_);
    user->addSpacerItem(gap());
    user->addWidget(userBubble_, 0, Qt::AlignTop);
    layout->addWidget(userLine_);

    auto* reply = line(replyLine_);
    reply->addWidget(replyBubble_, 0, Qt::AlignTop);
    reply->addSpacerItem(gap());
    layout->addWidget(replyLine_);

    typingRow_->setObjectName(QStringLiteral("typingRow"));
    auto* typing = line(typingRow_);
    auto* box = new TypingBox(typingRow_);
    box->layout()->addWidget(new TypingDots(box));
    typing->addWidget(box);
    typing->addStretch(1);
    layout->addWidget(typingRow_);

    line(cardHolder_);
    layout->addWidget(cardHolder_);
}

QString ChatTurnRow::replyText(const ConversationTurn& turn) {
    if (turn.display)
        return *turn.display;
    if (turn.kind && isStructured(*turn.kind))
        return QStringLiteral("\u2726 ") +
               QCoreApplication::translate("PanelView", "Bereite Aktion vor …");
    return turn.reply;
}

void ChatTurnRow::setTurn(const ConversationTurn& turn, bool active) {
    if (shown_ && turn == turn_ && active == active_)
        return;
    // A document card shows the title and whether it is still being written, not the text
    // as it arrives, so only those rebuild it.
    const bool cardChanged = !shown_ || turn.display != turn_.display ||
                             turn.documentURL != turn_.documentURL || active != active_ ||
                             turn.kind != turn_.kind;
    turn_ = turn;
    active_ = active;
    shown_ = true;

    const bool hasUser = !turn.user.trimmed().isEmpty();
    if (hasUser)
        userBubble_->setText(turn.user);
    userLine_->setVisible(hasUser);

    const bool document = turn.kind == ReplyKind::document && cardFactory_;
    const bool typing = !document && active && turn.reply.trimmed().isEmpty();
    typingRow_->setVisible(typing);
    replyLine_->setVisible(!document && !typing);
    if (!document && !typing)
        replyBubble_->setText(replyText(turn));

    if (document && cardChanged) {
        delete card_;
        card_ = cardFactory_(turn, active, cardHolder_);
        if (card_)
            cardHolder_->layout()->addWidget(card_);
    } else if (!document && card_) {
        delete card_;
        card_ = nullptr;
    }
    cardHolder_->setVisible(card_ != nullptr);
}

void ChatTurnRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitBubbles();
}

void ChatTurnRow::fitBubbles() {
    const int available = width() - kOppositeGap;
    userBubble_->setMaximumBubbleWidth(available);
    replyBubble_->setMaximumBubbleWidth(available);
}
