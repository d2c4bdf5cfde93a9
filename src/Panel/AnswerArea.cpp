#include "Panel/AnswerArea.h"

#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kVerticalPadding = 12;
constexpr int kHorizontalPadding = 14;

}  // namespace

AnswerArea::AnswerArea(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("answerArea"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);

    content_ = new QWidget;
    content_->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(kHorizontalPadding, kVerticalPadding, kHorizontalPadding,
                               kVerticalPadding);
    draft_ = new QLabel(content_);
    draft_->setObjectName(QStringLiteral("draftText"));
    draft_->setWordWrap(true);
    draft_->setTextFormat(Qt::PlainText);
    draft_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    draft_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(draft_);
    streamingText_ = new QWidget(content_);
    streamingText_->setObjectName(QStringLiteral("streamingText"));
    streamingText_->hide();
    layout->addWidget(streamingText_);
    layout->addStretch();
    setWidget(content_);
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
    draft_->setVisible(!streaming);
    streamingText_->setVisible(streaming);
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
    QScrollArea::resizeEvent(event);
    updateHeight();
}

void AnswerArea::updateHeight() {
    const int innerWidth = std::max(1, width() - 2 * kHorizontalPadding);
    QWidget* shown = streaming_ ? streamingText_ : static_cast<QWidget*>(draft_);
    const int textHeight =
        shown->hasHeightForWidth() ? shown->heightForWidth(innerWidth) : shown->sizeHint().height();
    const int ideal = textHeight + 2 * kVerticalPadding;
    const int minimum = streaming_ ? kStreamingMinimum : 0;
    const int maximum = hasCard_ ? kMaximumWithCard : kMaximum;
    const int height = std::clamp(ideal, minimum, maximum);
    if (height != this->height() || minimumHeight() != height)
        setFixedHeight(height);
}

void AnswerArea::paintEvent(QPaintEvent* event) {
    QScrollArea::paintEvent(event);
}
