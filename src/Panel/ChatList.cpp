#include "Panel/ChatList.h"

#include <QEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

#include "Design/ThinScrollBar.h"
#include "Panel/AssistantSession.h"
#include "Panel/ReplyOrder.h"
#include "Panel/SpringCurve.h"
#include "Platform/Clock.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kFirstPassDelay = 30ms;
constexpr auto kSecondPassDelay = 180ms;
constexpr auto kFrame = 16ms;

}  // namespace

ChatList::ChatList(AssistantSession& session, Platform::Clock& clock, Platform::UrlOpener* opener,
                   QWidget* parent)
    : QScrollArea(parent),
      session_(&session),
      clock_(clock),
      opener_(opener),
      content_(new QWidget),
      layout_(new QVBoxLayout(content_)) {
    setObjectName(QStringLiteral("chatList"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout_->setContentsMargins(2, 0, 2, 0);
    layout_->setSpacing(8);
    layout_->addStretch(1);
    // The list lies on the panel's tint.
    DS::useClearScrollView(*this, *content_);
    content_->installEventFilter(this);

    connect(&session, &AssistantSession::turnsChanged, this, &ChatList::sync);
    connect(&session, &AssistantSession::activeTurnIDChanged, this, &ChatList::onActiveTurnChanged);
    for (auto signal : {&AssistantSession::draftChanged, &AssistantSession::actionProposalChanged,
                        &AssistantSession::definitionProposalChanged})
        connect(&session, signal, this, &ChatList::fitHeight);
    activeTurnID_ = session.activeTurnID();
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

QList<ChatTurnRow*> ChatList::rows() const {
    QList<ChatTurnRow*> ordered;
    for (int i = 0; i < layout_->count(); ++i)
        if (auto* row = qobject_cast<ChatTurnRow*>(layout_->itemAt(i)->widget()))
            ordered.append(row);
    return ordered;
}

int ChatList::maximumListHeight() const {
    if (!session_)
        return kMaxHeight;
    int limit = kMaxHeight;
    if (session_->actionProposal() || session_->definitionProposal())
        limit = kMaxHeightWithCard;
    else if (session_->hasDraft())
        limit = kMaxHeightWithDraft;
    // The draft and the card keep the list short so that they stay in view; a reply newer
    // than both is what the user reads now, and it gets its whole height up to the list's own
    // limit.
    const QList<ReplyOrder::Section> order = ReplyOrder::order(*session_);
    if (limit < kMaxHeight && !order.isEmpty() && order.last() == ReplyOrder::Section::conversation)
        limit = std::max(limit, std::min(newestTurnHeight(), int(kMaxHeight)));
    return limit;
}

int ChatList::newestTurnHeight() const {
    const ChatTurnRow* newest = lastTurnID_ ? rows_.value(*lastTurnID_) : nullptr;
    if (!newest)
        return 0;
    // At the width it has: wrapped text is taller there than its size hint says.
    const int width =
        content_->width() - layout_->contentsMargins().left() - layout_->contentsMargins().right();
    if (newest->hasHeightForWidth() && width > 0)
        return newest->heightForWidth(width);
    return newest->sizeHint().height();
}

void ChatList::sync() {
    if (!session_)
        return;
    const QList<ConversationTurn> turns = session_->chatTurns();
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
            row = new ChatTurnRow(opener_, cardFactory_, content_);
            rows_.insert(turn.id, row);
        }
        if (layout_->indexOf(row) != index) {
            layout_->removeWidget(row);
            layout_->insertWidget(int(index), row);
            // A layout shows a new child only on the next event-loop turn; the list's height
            // is measured now.
            row->show();
        }
        row->setTurn(turn, active == turn.id);
    }

    const std::optional<QUuid> last =
        turns.isEmpty() ? std::nullopt : std::optional<QUuid>(turns.last().id);
    const bool newLast = last != lastTurnID_;
    lastTurnID_ = last;
    fitHeight();
    if (newLast && appeared_)
        scrollToNewestTurn();
}

void ChatList::onActiveTurnChanged() {
    if (!session_)
        return;
    const std::optional<QUuid> active = session_->activeTurnID();
    if (active == activeTurnID_)
        return;
    activeTurnID_ = active;
    sync();
    if (active && appeared_)
        scrollToNewestTurn();
}

void ChatList::fitHeight() {
    layout_->activate();
    const int content = content_->sizeHint().height();
    const int height = std::min(content, maximumListHeight());
    if (height != this->height() || maximumHeight() != height)
        setFixedHeight(height);
}

bool ChatList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_ && event->type() == QEvent::LayoutRequest)
        fitHeight();
    return QScrollArea::eventFilter(watched, event);
}

void ChatList::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    if (appeared_)
        return;
    appeared_ = true;
    fitHeight();
    if (!lastTurnID_)
        return;
    verticalScrollBar()->setValue(newestTurnTop());
    // Bubbles settle their size on the next event-loop turn; the jump is repeated then.
    firstPass_ = clock_.singleShot(0ms, [this] {
        content_->layout()->activate();
        verticalScrollBar()->setValue(newestTurnTop());
    });
}

int ChatList::newestTurnTop() const {
    if (!lastTurnID_)
        return verticalScrollBar()->value();
    const ChatTurnRow* row = rows_.value(*lastTurnID_);
    if (!row)
        return verticalScrollBar()->value();
    return std::min(row->y(), verticalScrollBar()->maximum());
}

void ChatList::scrollToNewestTurn() {
    firstPass_ = clock_.singleShot(kFirstPassDelay, [this] {
        scrollPass();
        secondPass_ = clock_.singleShot(kSecondPassDelay, [this] { scrollPass(); });
    });
}

void ChatList::scrollPass() {
    if (!lastTurnID_)
        return;
    content_->layout()->activate();
    animateTo(newestTurnTop());
}

void ChatList::animateTo(int target) {
    animationFrom_ = verticalScrollBar()->value();
    animationTo_ = target;
    animationStart_ = clock_.monotonic();
    if (animationFrom_ == animationTo_) {
        animation_.reset();
        return;
    }
    animation_ = clock_.repeating(kFrame, [this] { stepAnimation(); });
}

void ChatList::stepAnimation() {
    static const SpringCurve spring = SpringCurve::withResponse(0.3, 1.0);
    const double elapsed =
        std::chrono::duration<double>(clock_.monotonic() - animationStart_).count();
    if (elapsed >= spring.settlingDuration()) {
        verticalScrollBar()->setValue(animationTo_);
        animation_.reset();
        return;
    }
    const double progress = spring.value(elapsed);
    verticalScrollBar()->setValue(
        int(std::lround(animationFrom_ + (animationTo_ - animationFrom_) * progress)));
}
