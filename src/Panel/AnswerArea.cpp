#include "Panel/AnswerArea.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Theme.h"
#include "Design/ThinScrollBar.h"

namespace {

constexpr int kVerticalPadding = 12;
constexpr int kHorizontalPadding = 14;
constexpr qreal kLineSpacing = 4;
constexpr qreal kRadius = 12;

}  // namespace

AnswerArea::AnswerArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("answerArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    text_ = new QTextEdit(this);
    text_->setObjectName(QStringLiteral("draftText"));
    text_->setReadOnly(true);
    text_->setAcceptRichText(false);
    text_->setFrameShape(QFrame::NoFrame);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    DS::useThinScrollBar(*text_);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tabbing passes it by; a click takes the keyboard so that Control+C copies a selection.
    text_->setFocusPolicy(Qt::ClickFocus);
    text_->setFont(DS::Font::answer());
    text_->viewport()->setAutoFillBackground(false);
    layout->addWidget(text_);

    // The arriving draft scrolls like the finished one: a long draft grows past the box.
    streamingScroll_ = new QScrollArea(this);
    streamingScroll_->setObjectName(QStringLiteral("streamingScroll"));
    streamingText_ = new QWidget;
    streamingText_->setObjectName(QStringLiteral("streamingText"));
    auto* slotLayout = new QVBoxLayout(streamingText_);
    slotLayout->setContentsMargins(kHorizontalPadding, kVerticalPadding, kHorizontalPadding,
                                   kVerticalPadding);
    // The box shows through.
    DS::useClearScrollView(*streamingScroll_, *streamingText_);
    streamingText_->installEventFilter(this);
    streamingScroll_->hide();
    layout->addWidget(streamingScroll_);
    // The newest words stay in view as lines arrive, unless the user scrolled up to read.
    QScrollBar* bar = streamingScroll_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { followNewest_ = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (followNewest_)
            bar->setValue(maximum);
    });

    if (Theme* theme = Theme::current())
        connect(theme, &Theme::changed, this, &AnswerArea::applyColours);
    applyColours();
    updateHeight();
}

void AnswerArea::applyColours() {
    QPalette colours = text_->palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Window, Qt::transparent);
    colours.setColor(QPalette::Text, DS::Palette::label.resolve(this));
    colours.setColor(QPalette::Highlight, DS::Palette::accent.resolve(this));
    colours.setColor(QPalette::HighlightedText, DS::Palette::white.resolve(this));
    text_->setPalette(colours);
    update();
}

QString AnswerArea::draft() const {
    return draft_;
}

void AnswerArea::setDraft(const QString& draft) {
    draft_ = draft;
    // While the streaming text draws it, the hidden text box waits for the finished draft:
    // filling it with every chunk would lay out, and announce, the whole draft each time.
    if (drawsStreaming()) {
        updateHeight();
        return;
    }
    showDraft();
}

bool AnswerArea::drawsStreaming() const {
    return streaming_ && !streamingText_->findChildren<QWidget*>().isEmpty();
}

void AnswerArea::showDraft() {
    if (text_->toPlainText() == draft_)
        return;
    text_->setPlainText(draft_);
    // The padding sits inside the scrolled text, so the scroll bar runs along the box's edge.
    QTextFrameFormat padding = text_->document()->rootFrame()->frameFormat();
    padding.setMargin(0);
    padding.setLeftMargin(kHorizontalPadding);
    padding.setRightMargin(kHorizontalPadding);
    padding.setTopMargin(kVerticalPadding);
    padding.setBottomMargin(kVerticalPadding);
    text_->document()->rootFrame()->setFrameFormat(padding);
    QTextBlockFormat spaced;
    spaced.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor all(text_->document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(spaced);
    updateHeight();
}

void AnswerArea::setStreaming(bool streaming) {
    if (streaming_ == streaming)
        return;
    streaming_ = streaming;
    // Until a streaming text fills its slot, the arriving draft shows as plain text.
    const bool drawn = drawsStreaming();
    if (!drawn)
        showDraft();
    text_->setVisible(!drawn);
    streamingScroll_->setVisible(drawn);
    followNewest_ = true;
    // Assistive technology is told that the text changes all the time while it streams.
    setAccessibleDescription(streaming ? tr("Wird geschrieben") : QString());
    updateHeight();
}

void AnswerArea::setOlder(bool older) {
    if (older_ == older)
        return;
    older_ = older;
    updateHeight();
}

void AnswerArea::setRoom(std::optional<int> room) {
    if (room_ == room)
        return;
    room_ = room;
    updateHeight();
}

bool AnswerArea::eventFilter(QObject* watched, QEvent* event) {
    // The streaming text asks for a new size as its draft grows; the box grows with it.
    if (watched == streamingText_ && event->type() == QEvent::LayoutRequest)
        updateHeight();
    return QWidget::eventFilter(watched, event);
}

void AnswerArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateHeight();
}

void AnswerArea::updateHeight() {
    int ideal = 0;
    if (streamingScroll_->isVisibleTo(this)) {
        ideal = streamingText_->hasHeightForWidth() ? streamingText_->heightForWidth(width())
                                                    : streamingText_->sizeHint().height();
    } else {
        QTextDocument* document = text_->document();
        document->setTextWidth(std::max(1, width()));
        ideal = static_cast<int>(std::ceil(document->size().height()));
    }
    const int minimum = streaming_ ? kStreamingMinimum : 0;
    // A reply after the draft, a card or an answer, needs the room more than the draft's later
    // lines; a card from before does not.
    const int maximum = older_ ? kMaximumOlder : kMaximum;
    boundedHeight_ = std::clamp(ideal, minimum, maximum);
    const int height =
        room_ ? std::min(boundedHeight_, std::max(kLeastInRoom, *room_)) : boundedHeight_;
    if (minimumHeight() != height || maximumHeight() != height)
        setFixedHeight(height);
}

void AnswerArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), kRadius, DS::Palette::answerBG.resolve(this));
    RoundedBox::strokeInside(painter, rect(), kRadius, DS::Palette::stroke.resolve(this), 0.5);
}
