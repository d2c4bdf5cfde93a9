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
    const QList<Section> shown = ReplyOrder::shown(*session_);
    const QList<Section> order = ReplyOrder::order(*session_);
    if (answerArea_)
        answerArea_->setOlder(!order.isEmpty() && order.last() != Section::answer);

    const auto widgetOf = [this](Section section) -> QWidget* {
        switch (section) {
            case Section::conversation:
                return chatList_;
            case Section::answer:
                return answerRow_;
            case Section::actionCard:
                return actionCard_;
            case Section::definitionCard:
                return definitionCard_;
        }
        return nullptr;
    };
    QList<QWidget*> wanted;
    QList<Section> placed;
    const auto place = [&](Section section) {
        if (placed.contains(section))
            return;
        placed.append(section);
        wanted << widgetOf(section);
        // The line of applied instructions stands in the conversation's place.
        if (section == Section::conversation)
            wanted << instructionLine_;
    };
    for (const Section section : order) {
        // Without a conversation the line of applied instructions heads the draft.
        if (section == Section::answer && !shown.contains(Section::conversation))
            place(Section::conversation);
        place(section);
    }
    for (const Section section :
         {Section::conversation, Section::answer, Section::actionCard, Section::definitionCard})
        place(section);

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
    replies_->setNewest(order.isEmpty() ? nullptr : widgetOf(order.last()));
}

void PanelView::setHeightBudget(std::optional<int> budget) {
    if (heightBudget_ == budget)
        return;
    heightBudget_ = budget;
    fitRoom();
}

void PanelView::fitRoom() {
    if (!replies_->isVisibleTo(this) || !heightBudget_) {
        replies_->setHeightCap(std::nullopt);
        return;
    }
    // What the other rows leave of the budget; the replies scroll within it.
    const int rest = fittingSize().height() - replies_->minimumHeight();
    const int room = std::max(0, *heightBudget_ - rest);
    replies_->setHeightCap(replies_->desiredHeight() > room ? std::optional<int>(room)
                                                            : std::nullopt);
}
