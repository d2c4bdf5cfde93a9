#include "Panel/AnswerArea.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
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
// A slice of the draft placed at once: it and its layout take well under a frame.
constexpr qint64 kSliceNanoseconds = 6'000'000;
constexpr qsizetype kFirstSlice = 8192;
constexpr qsizetype kSmallestSlice = 1024;
constexpr qsizetype kLargestSlice = 262144;

// Characters that end a block of the text box: each stands for one break there.
bool endsBlock(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) ||
           c == QChar(0xfdd1);
}

// The finished draft's box: a copy takes the draft's own text, without the breaks where long
// paragraphs were cut.
class DraftTextEdit final : public QTextEdit {
public:
    DraftTextEdit(const AnswerArea& area, QWidget* parent) : QTextEdit(parent), area_(area) {}

protected:
    QMimeData* createMimeDataFromSelection() const override {
        const QTextCursor cursor = textCursor();
        auto* data = new QMimeData;
        data->setText(area_.draftBetween(cursor.selectionStart(), cursor.selectionEnd()));
        return data;
    }

private:
    const AnswerArea& area_;
};

}  // namespace

AnswerArea::AnswerArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("answerArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    text_ = new DraftTextEdit(*this, this);
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
    // Nothing is typed here: a history of the slices would only hold memory.
    text_->document()->setUndoRedoEnabled(false);
    layout->addWidget(text_);
    // The height follows the lines as they are laid out, also at a new width.
    connect(text_->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            this, &AnswerArea::updateHeight);
    nextSlice_ = new QTimer(this);
    nextSlice_->setSingleShot(true);
    connect(nextSlice_, &QTimer::timeout, this, &AnswerArea::placeSlice);

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
    if (draft_ == placing_)
        return;
    // A draft that goes on from what is placed only adds its rest.
    if (!placing_.isEmpty() && draft_.size() > placing_.size() &&
        QStringView(draft_).startsWith(placing_)) {
        placing_ = draft_;
        if (!nextSlice_->isActive())
            placeSlice();
        return;
    }
    placing_ = draft_;
    placed_ = 0;
    pieceLength_ = 0;
    cuts_.clear();
    sliceLength_ = kFirstSlice;
    QTextDocument* document = text_->document();
    document->clear();
    // The padding sits inside the scrolled text, so the scroll bar runs along the box's edge.
    QTextFrameFormat padding = document->rootFrame()->frameFormat();
    padding.setMargin(0);
    padding.setLeftMargin(kHorizontalPadding);
    padding.setRightMargin(kHorizontalPadding);
    padding.setTopMargin(kVerticalPadding);
    padding.setBottomMargin(kVerticalPadding);
    document->rootFrame()->setFrameFormat(padding);
    // Each new block takes the format of the one before it.
    QTextBlockFormat spaced;
    spaced.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor(document).setBlockFormat(spaced);
    placeSlice();
    // The box's own cursor stood at the end of the empty text and went along with the slice;
    // at the start it stays where it is as later slices come, and so does the view.
    text_->setTextCursor(QTextCursor(document));
    text_->verticalScrollBar()->setValue(0);
}

void AnswerArea::placeSlice() {
    if (placed_ >= placing_.size()) {
        updateHeight();
        return;
    }
    QElapsedTimer took;
    took.start();
    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    // One edit: the slice is laid out once, at its end.
    cursor.beginEditBlock();
    const qsizetype sliceEnd = std::min(placing_.size(), placed_ + sliceLength_);
    while (placed_ < sliceEnd) {
        const qsizetype room = kBlockLimit - pieceLength_;
        const qsizetype reach = std::min(placing_.size(), placed_ + room);
        qsizetype end = placed_;
        while (end < reach && !endsBlock(placing_[end]))
            ++end;
        if (end < reach) {
            cursor.insertText(placing_.mid(placed_, end - placed_));
            cursor.insertBlock();
            placed_ = end + 1;
            pieceLength_ = 0;
            continue;
        }
        if (reach == placing_.size()) {
            // The rest of the draft belongs to this piece.
            cursor.insertText(placing_.mid(placed_, reach - placed_));
            pieceLength_ += reach - placed_;
            placed_ = reach;
            break;
        }
        // The paragraph runs on: its piece ends after the last blank within reach, else at
        // the limit, never between the halves of a surrogate pair.
        qsizetype cut = reach;
        while (cut > placed_ && !placing_[cut - 1].isSpace())
            --cut;
        if (cut == placed_) {
            cut = reach;
            if (cut > placed_ && placing_[cut - 1].isHighSurrogate())
                --cut;
        }
        cursor.insertText(placing_.mid(placed_, cut - placed_));
        cuts_.push_back(cursor.position());
        cursor.insertBlock();
        placed_ = cut;
        pieceLength_ = 0;
    }
    cursor.endEditBlock();
    const qint64 spent = took.nsecsElapsed();
    if (spent < kSliceNanoseconds / 2)
        sliceLength_ = std::min(sliceLength_ * 2, kLargestSlice);
    else if (spent > kSliceNanoseconds)
        sliceLength_ = std::max(sliceLength_ / 2, kSmallestSlice);
    updateHeight();
    if (placed_ < placing_.size())
        nextSlice_->start(0);
}

QString AnswerArea::draftBetween(int from, int to) const {
    // Each cut before a place moves it one on from its place in the draft.
    const auto inDraft = [this](int place) {
        const auto before = std::lower_bound(cuts_.begin(), cuts_.end(), place) - cuts_.begin();
        return std::clamp<qsizetype>(place - before, 0, placing_.size());
    };
    const qsizetype start = inDraft(std::min(from, to));
    return placing_.mid(start, inDraft(std::max(from, to)) - start);
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

int AnswerArea::draftHeight(int maximum) const {
    // Only the lines down to the box's largest height are laid out for it: a long draft is
    // laid out further as it is placed and scrolled, never all at once here.
    QTextDocument* document = text_->document();
    // The text box lays its text out at its viewport's width once it has its place in the box;
    // until then the box's own width stands in for it. Any other width would lay the whole
    // draft out again.
    const int lineWidth = text_->width() == width() ? text_->viewport()->width() : width();
    if (document->textWidth() != std::max(1, lineWidth))
        document->setTextWidth(std::max(1, lineWidth));
    const QAbstractTextDocumentLayout* layout = document->documentLayout();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const qreal bottom = layout->blockBoundingRect(block).bottom();
        if (bottom > maximum)
            return int(std::ceil(bottom));
    }
    return int(std::ceil(document->size().height()));
}

void AnswerArea::updateHeight() {
    const int minimum = streaming_ ? kStreamingMinimum : 0;
    // A reply after the draft, a card or an answer, needs the room more than the draft's later
    // lines; a card from before does not.
    const int maximum = older_ ? kMaximumOlder : kMaximum;
    int ideal = 0;
    if (streamingScroll_->isVisibleTo(this)) {
        ideal = streamingText_->hasHeightForWidth() ? streamingText_->heightForWidth(width())
                                                    : streamingText_->sizeHint().height();
    } else {
        ideal = draftHeight(maximum);
    }
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
