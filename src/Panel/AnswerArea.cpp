#include "Panel/AnswerArea.h"

#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Panel/TintedLabel.h"

namespace {

constexpr int kVerticalPadding = 12;
constexpr int kHorizontalPadding = 14;
constexpr qreal kRadius = 12;

}  // namespace

AnswerArea::AnswerArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("answerArea"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    outer->addWidget(scroll_);

    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(kHorizontalPadding, kVerticalPadding, kHorizontalPadding,
                               kVerticalPadding);
    draft_ = new TintedLabel(DS::Palette::label, content);
    draft_->setObjectName(QStringLiteral("draftText"));
    draft_->setFont(DS::Font::answer());
    draft_->setWordWrap(true);
    draft_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    draft_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(draft_);
    streamingText_ = new QWidget(content);
    streamingText_->setObjectName(QStringLiteral("streamingText"));
    streamingText_->setLayout(new QVBoxLayout);
    streamingText_->layout()->setContentsMargins(0, 0, 0, 0);
    streamingText_->hide();
    layout->addWidget(streamingText_);
    layout->addStretch();
    scroll_->setWidget(content);
    // The box paints its own background: nothing inside may fill over it.
    for (QWidget* layer : {static_cast<QWidget*>(scroll_), scroll_->viewport(), content}) {
        QPalette clear = layer->palette();
        clear.setColor(QPalette::Window, Qt::transparent);
        clear.setColor(QPalette::Base, Qt::transparent);
        layer->setPalette(clear);
        layer->setAutoFillBackground(false);
    }
    updateHeight();
}

void AnswerArea::setDraft(const QString& draft) {
    if (draft_->text() == draft)
        return;
    draft_->setText(draft);
    updateHeight();
}

void AnswerArea::setStreaming(bool streaming) {
    if (streaming_ == streaming)
        return;
    streaming_ = streaming;
    // Until a streaming text fills its slot, the arriving draft shows as plain text.
    const bool slotFilled = !streamingText_->findChildren<QWidget*>().isEmpty();
    draft_->setVisible(!streaming || !slotFilled);
    streamingText_->setVisible(streaming && slotFilled);
    // Assistive technology is told that the text changes all the time while it streams.
    setAccessibleDescription(streaming ? tr("Wird geschrieben") : QString());
    updateHeight();
}

void AnswerArea::setHasCard(bool hasCard) {
    if (hasCard_ == hasCard)
        return;
    hasCard_ = hasCard;
    updateHeight();
}

void AnswerArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateHeight();
}

void AnswerArea::updateHeight() {
    const int innerWidth = std::max(1, width() - 2 * kHorizontalPadding);
    QWidget* shown =
        streamingText_->isVisibleTo(this) ? streamingText_ : static_cast<QWidget*>(draft_);
    const int textHeight =
        shown->hasHeightForWidth() ? shown->heightForWidth(innerWidth) : shown->sizeHint().height();
    const int ideal = textHeight + 2 * kVerticalPadding;
    const int minimum = streaming_ ? kStreamingMinimum : 0;
    const int maximum = hasCard_ ? kMaximumWithCard : kMaximum;
    const int height = std::clamp(ideal, minimum, maximum);
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
}

void AnswerArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), kRadius, DS::Palette::answerBG.resolve(this));
    RoundedBox::strokeInside(painter, rect(), kRadius, DS::Palette::stroke.resolve(this), 0.5);
}
