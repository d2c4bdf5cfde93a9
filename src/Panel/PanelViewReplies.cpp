// The replies' column of the panel: where each reply stands (the newest last, right above the
// input), and how much room the column gets, so that the panel never grows past its screen.

#include <QVBoxLayout>

#include "Panel/ActionCard.h"
#include "Panel/AnswerArea.h"
#include "Panel/AssistantSession.h"
#include "Panel/ChatList.h"
#include "Panel/DefinitionCard.h"
#include "Panel/PanelView.h"
#include "Panel/ReplyOrder.h"
#include "Panel/ReplyScroll.h"

void PanelView::arrangeReplies() {
    using Section = ReplyOrder::Section;
    const QList<ReplyOrder::Place> places = ReplyOrder::places(*session_);
    if (answerArea_)
        answerArea_->setOlder(!places.isEmpty() && places.last().section != Section::answer);

    // One list for each stretch of the conversation between the draft and the cards.
    qsizetype stretches = 0;
    for (const ReplyOrder::Place& place : places)
        stretches += place.section == Section::conversation;
    if (auto* first = qobject_cast<ChatList*>(chatList_); first && chatParts_.isEmpty())
        chatParts_.append(first);
    while (!chatParts_.isEmpty() && chatParts_.size() < stretches)
        chatParts_.append(makeChatList(replies_->column()));

    QList<QWidget*> wanted;
    QWidget* newest = nullptr;
    qsizetype stretch = 0;
    for (const ReplyOrder::Place& place : places) {
        switch (place.section) {
            case Section::conversation: {
                // Not built while the panel has shown no conversation (a failed request).
                if (stretch >= chatParts_.size())
                    break;
                ChatList* list = chatParts_[stretch++];
                list->setStretch(place.turns);
                list->show();
                wanted << list;
                newest = list->newestRow();
                break;
            }
            case Section::answer:
                // The instructions that made the draft head it.
                wanted << instructionLine_ << answerRow_;
                newest = answerRow_;
                break;
            case Section::actionCard:
                wanted << actionCard_;
                newest = actionCard_;
                break;
            case Section::definitionCard:
                wanted << definitionCard_;
                newest = definitionCard_;
                break;
        }
    }
    // Lists no stretch needs wait, empty, below.
    for (qsizetype index = stretch; index < chatParts_.size(); ++index) {
        chatParts_[index]->hide();
        chatParts_[index]->setStretch(QList<QUuid>{});
    }
    for (QWidget* each :
         QList<QWidget*>{chatList_, instructionLine_, answerRow_, actionCard_, definitionCard_})
        if (!wanted.contains(each))
            wanted << each;
    for (ChatList* each : std::as_const(chatParts_))
        if (!wanted.contains(each))
            wanted << each;

    QVBoxLayout* stack = replies_->columnLayout();
    for (int index = 0; index < wanted.size(); ++index) {
        if (stack->indexOf(wanted[index]) == index)
            continue;
        stack->removeWidget(wanted[index]);
        stack->insertWidget(index, wanted[index]);
    }
    // A new reply comes into view, also after the user scrolled back to older ones.
    const qsizetype turns = session_->turns().size();
    if (turns != arrangedTurns_) {
        arrangedTurns_ = turns;
        replies_->followNewest();
    }
    replies_->setNewest(newest);
}

namespace {

// The most the draft's box gives a short screen: two lines.
constexpr int kDraftYields = 40;

}  // namespace

void PanelView::setHeightBudget(std::optional<int> budget) {
    if (heightBudget_ == budget)
        return;
    heightBudget_ = budget;
    fitRoom();
}

void PanelView::fitRoom() {
    const bool draft = answerArea_ && answerArea_->isVisibleTo(replies_);
    if (!replies_->isVisibleTo(this) || !heightBudget_) {
        if (answerArea_)
            answerArea_->setRoom(std::nullopt);
        replies_->setHeightCap(std::nullopt);
        return;
    }
    // What the other rows leave of the budget; the replies scroll within it.
    const int rest = fittingSize().height() - replies_->minimumHeight();
    const int room = std::max(0, *heightBudget_ - rest);
    if (answerArea_) {
        // The draft's box scrolls its text anyway: rather than the column opening scrolled by
        // a few pixels, cutting what stands at its top, the box gives those. The newest draft
        // also gives a few so that the instructions that made it stand whole above it.
        std::optional<int> yielded;
        if (draft) {
            const int bounded = answerArea_->boundedHeight();
            const int lacking = replies_->desiredHeight() - answerArea_->height() + bounded - room;
            int request = 0;
            if (instructionLine_->isVisibleTo(replies_))
                request = instructionLine_->sizeHint().height() + kSpacing;
            const int lackingWithRequest = request + bounded - room;
            if (lacking > 0 && lacking <= kDraftYields)
                yielded = bounded - lacking;
            else if (!answerArea_->isOlder() && lackingWithRequest > 0 &&
                     lackingWithRequest <= kDraftYields)
                yielded = bounded - lackingWithRequest;
        }
        answerArea_->setRoom(yielded);
    }
    replies_->setHeightCap(replies_->desiredHeight() > room ? std::optional<int>(room)
                                                            : std::nullopt);
}
