#include "Panel/StreamingText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelTexts.h"
#include "Platform/Clock.h"

namespace {

const QString kCursor = QStringLiteral("\u258E");
// The reference date the blink counts from: 2001-01-01 00:00 UTC.
const QDateTime kReference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
// One frame of the screen: chunks arriving within it are drawn together.
constexpr Platform::Milliseconds kRevealFrame(16);
// The layout code asks for the height at the box's width and at the width beside its scroll
// bar; a third slot keeps a resize from throwing both away.
constexpr std::size_t kKeptWidths = 3;

// A stretch of the draft laid out on its own: a finished paragraph, the finished lines of the
// paragraph still growing, or the end that is still arriving.
struct Piece {
    std::unique_ptr<QTextLayout> layout;
    qsizetype start = 0;
    qreal top = 0;
    // Its lines, each with the spacing below it.
    qreal advance = 0;
};

bool hasRightToLeft(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t point = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            point = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::direction(point)) {
            case QChar::DirR:
            case QChar::DirAL:
            case QChar::DirAN:
            case QChar::DirRLE:
            case QChar::DirRLO:
            case QChar::DirLRE:
            case QChar::DirLRO:
            case QChar::DirPDF:
            case QChar::DirRLI:
            case QChar::DirLRI:
            case QChar::DirFSI:
            case QChar::DirPDI:
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

struct StreamingText::Looks {
    QFont font;
    QColor label;
    QColor secondary;
    QColor cursor;
};

// The draft laid out at one width. Pieces are only ever added at the end while the draft
// grows; a draft that is replaced, a new font or a new direction starts over.
class StreamingText::Flow {
public:
    explicit Flow(int width) : width_(width) {}

    int width() const { return width_; }

    // Brings the layout up to `draft`. Colours matter only for painting: a height asked for
    // while the cursor blinks does not lay the end out again.
    void follow(const QString& draft, const Direction& direction, const Looks& looks,
                bool forPainting) {
        if (direction.generation != generation_ || direction.rightToLeft != rightToLeft_ ||
            looks.font != font_) {
            generation_ = direction.generation;
            rightToLeft_ = direction.rightToLeft;
            bidirectional_ = direction.bidirectional;
            font_ = looks.font;
            lineHeight_ = QFontMetricsF(font_).height();
            finished_.clear();
            finishedLength_ = 0;
            finishedAdvance_ = 0;
            length_ = -1;
        }
        if (draft.size() != length_) {
            length_ = draft.size();
            head_ = PanelTexts::draftHeadLength(draft);
            for (qsizetype end = draft.indexOf(u'\n', finishedLength_); end >= 0;
                 end = draft.indexOf(u'\n', finishedLength_))
                finish(draft, end + 1);
            layOutEnd(draft, looks);
            // The lines above the last two no longer change as words arrive; the word still
            // coming in is never among them. Text of both directions is ordered across line
            // ends within its paragraph, so there the paragraph stays in one piece.
            const int lines = live_.layout->lineCount();
            if (lines > 2 && !bidirectional_) {
                const qsizetype end = finishedLength_ + live_.layout->lineAt(lines - 2).textStart();
                if (end <= head_) {
                    finish(draft, end);
                    layOutEnd(draft, looks);
                }
            }
        } else if (forPainting &&
                   (looks.label != colours_.label || looks.secondary != colours_.secondary ||
                    looks.cursor != colours_.cursor)) {
            layOutEnd(draft, looks);
        }
    }

    qreal height() const {
        return std::max(finishedAdvance_ + live_.advance - kLineSpacing, lineHeight_);
    }

    qreal endTop() const { return live_.top; }

    // Finished pieces carry no colour of their own: they are drawn in the painter's pen.
    void draw(QPainter& painter, const QRect& exposed) const {
        // Glyphs may reach a little past their line.
        const qreal from = exposed.top() - lineHeight_;
        const qreal to = exposed.bottom() + lineHeight_;
        auto piece =
            std::partition_point(finished_.begin(), finished_.end(),
                                 [from](const Piece& p) { return p.top + p.advance < from; });
        for (; piece != finished_.end() && piece->top <= to; ++piece)
            piece->layout->draw(&painter, QPointF(0, piece->top));
        live_.layout->draw(&painter, QPointF(0, live_.top));
    }

    // Where the character at `offset` is drawn, in the widget; empty past the end.
    QRectF characterRect(qsizetype offset) const {
        const Piece* piece = &live_;
        if (offset < finishedLength_) {
            piece = &*std::prev(
                std::partition_point(finished_.begin(), finished_.end(),
                                     [offset](const Piece& p) { return p.start <= offset; }));
        }
        const int at = int(offset - piece->start);
        if (offset < 0 || at >= piece->layout->text().size())
            return {};
        const QTextLine line = piece->layout->lineForTextPosition(at);
        const qreal x = line.cursorToX(at);
        const qreal next = line.cursorToX(at + 1);
        return QRectF(std::min(x, next), piece->top + line.y(), std::abs(next - x), line.height());
    }

private:
    Piece layOut(const QString& text, qsizetype start, qreal top,
                 const QList<QTextLayout::FormatRange>& formats) const {
        Piece piece{std::make_unique<QTextLayout>(text, font_), start, top, 0};
        piece.layout->setFormats(formats);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        // The whole draft's direction, as if it were laid out in one piece.
        option.setTextDirection(rightToLeft_ ? Qt::RightToLeft : Qt::LeftToRight);
        piece.layout->setTextOption(option);
        piece.layout->beginLayout();
        qreal y = 0;
        for (QTextLine line = piece.layout->createLine(); line.isValid();
             line = piece.layout->createLine()) {
            line.setLineWidth(std::max(width_, 1));
            line.setPosition(QPointF(0, y));
            // A paragraph's closing separator opens an empty line of its own; in the draft
            // the next paragraph begins there.
            if (line.lineNumber() > 0 && line.textStart() >= text.size())
                break;
            y += std::max(line.height(), lineHeight_) + kLineSpacing;
        }
        piece.layout->endLayout();
        piece.advance = y;
        return piece;
    }

    // Lays out the draft up to `end` after what is finished, as finished.
    void finish(const QString& draft, qsizetype end) {
        // Line breaks stay in the text as line separators, as in one paragraph.
        QString text = draft.mid(finishedLength_, end - finishedLength_);
        text.replace(u'\n', QChar::LineSeparator);
        finished_.push_back(layOut(text, finishedLength_, finishedAdvance_, {}));
        finishedAdvance_ += finished_.back().advance;
        finishedLength_ = end;
    }

    void layOutEnd(const QString& draft, const Looks& looks) {
        colours_ = looks;
        const QString text = draft.mid(finishedLength_) + kCursor;
        const int headLength = int(head_ - finishedLength_);
        const int tailLength = int(draft.size() - head_);
        QTextCharFormat head;
        head.setForeground(looks.label);
        QTextCharFormat tail;
        tail.setForeground(looks.secondary);
        QTextCharFormat cursor;
        cursor.setForeground(looks.cursor);
        live_ = layOut(text, finishedLength_, finishedAdvance_,
                       {{0, headLength, head},
                        {headLength, tailLength, tail},
                        {headLength + tailLength, int(kCursor.size()), cursor}});
    }

    int width_;
    int generation_ = -1;
    bool rightToLeft_ = false;
    bool bidirectional_ = false;
    QFont font_;
    qreal lineHeight_ = 0;
    qsizetype length_ = -1;
    qsizetype head_ = 0;
    std::vector<Piece> finished_;
    qsizetype finishedLength_ = 0;
    qreal finishedAdvance_ = 0;
    Piece live_;
    Looks colours_;
};

namespace {

// On the accessibility bus the arriving draft is read-only text of several lines that changes
// all the time: it says so, and each frame's new words are announced as inserted text.
class StreamingTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit StreamingTextAccessible(StreamingText* text)
        : QAccessibleWidget(text, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.busy = true;
        return state;
    }

    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        return draft().mid(startOffset, endOffset - startOffset);
    }
    using QAccessibleWidget::text;
    int characterCount() const override { return int(draft().size()); }
    QRect characterRect(int offset) const override {
        const QRectF place = streamingText()->characterRect(offset);
        if (place.isEmpty())
            return {};
        return QRect(streamingText()->mapToGlobal(place.topLeft().toPoint()),
                     place.size().toSize());
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = offset;
        *endOffset = offset;
        return {};
    }

private:
    StreamingText* streamingText() const { return static_cast<StreamingText*>(widget()); }
    const QString& draft() const { return streamingText()->shownText(); }
};

QAccessibleInterface* accessibleStreamingText(const QString& className, QObject* object) {
    if (className == QLatin1String("StreamingText") && object && object->isWidgetType())
        return new StreamingTextAccessible(static_cast<StreamingText*>(object));
    return nullptr;
}

}  // namespace

StreamingText::StreamingText(AssistantSession& session, Platform::Clock& clock, QWidget* parent)
    : QWidget(parent), session_(&session), clock_(clock), shown_(session.draft()) {
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleStreamingText);
        return true;
    }();
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("streamingText"));
    setFont(DS::Font::answer());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    direction_.rightToLeft = shown_.isRightToLeft();
    direction_.bidirectional = hasRightToLeft(shown_);
    frame_ = clock_.createTimer([this] { frameDue(); }, false);
    connect(&session, &AssistantSession::draftChanged, this, &StreamingText::draftArrived);
}

StreamingText::~StreamingText() = default;

bool StreamingText::cursorVisibleAt(double secondsSinceReference) {
    return qint64(std::floor(secondsSinceReference * 2)) % 2 == 0;
}

StreamingText::Looks StreamingText::looks() const {
    return {font(), DS::Palette::label.resolve(this), DS::Palette::secondary.resolve(this),
            cursorVisible_ ? DS::Palette::accent.resolve(this) : QColor(Qt::transparent)};
}

StreamingText::Flow& StreamingText::flowAt(int width) const {
    auto found = std::find_if(flows_.begin(), flows_.end(),
                              [width](const auto& flow) { return flow->width() == width; });
    if (found == flows_.end()) {
        if (flows_.size() >= kKeptWidths)
            flows_.pop_back();
        flows_.insert(flows_.begin(), std::make_unique<Flow>(width));
    } else {
        std::rotate(flows_.begin(), found, std::next(found));
    }
    return *flows_.front();
}

QRectF StreamingText::characterRect(qsizetype offset) const {
    Flow& flow = flowAt(width());
    flow.follow(shown_, direction_, looks(), false);
    return flow.characterRect(offset);
}

int StreamingText::heightForWidth(int width) const {
    Flow& flow = flowAt(width);
    flow.follow(shown_, direction_, looks(), false);
    return int(std::ceil(flow.height()));
}

QSize StreamingText::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 400;
    return {width, heightForWidth(width)};
}

void StreamingText::paintEvent(QPaintEvent* event) {
    const Looks now = looks();
    Flow& flow = flowAt(width());
    flow.follow(shown_, direction_, now, true);
    QPainter painter(this);
    painter.setPen(now.label);
    flow.draw(painter, event->rect());
}

void StreamingText::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    blink();
}

void StreamingText::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    blinker_.reset();
}

void StreamingText::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        flows_.clear();
}

void StreamingText::draftArrived() {
    if (frame_->isActive()) {
        draftWaiting_ = true;
        return;
    }
    takeDraft();
    frame_->start(kRevealFrame);
}

void StreamingText::frameDue() {
    if (!draftWaiting_)
        return;
    draftWaiting_ = false;
    takeDraft();
    frame_->start(kRevealFrame);
}

void StreamingText::takeDraft() {
    QString draft = session_ ? session_->draft() : QString();
    if (draft == shown_)
        return;
    const QString before = shown_;
    const bool grew = draft.startsWith(before);
    const qsizetype kept = grew ? before.size() : 0;
    if (draft.size() - kept > kMostPerFrame) {
        // The rest comes in the frames that follow, never between the halves of a pair.
        qsizetype end = kept + kMostPerFrame;
        if (draft[end - 1].isHighSurrogate())
            --end;
        draft.truncate(end);
        draftWaiting_ = true;
    }
    Direction direction = direction_;
    direction.rightToLeft = draft.isRightToLeft();
    direction.bidirectional =
        grew ? direction_.bidirectional || hasRightToLeft(QStringView(draft).mid(before.size()))
             : hasRightToLeft(draft);
    if (!grew || direction.rightToLeft != direction_.rightToLeft ||
        direction.bidirectional != direction_.bidirectional)
        ++direction.generation;
    direction_ = direction;
    if (grew)
        updateEnd();
    else
        update();
    shown_ = draft;
    updateGeometry();
    if (QAccessible::isActive()) {
        if (grew) {
            QAccessibleTextInsertEvent inserted(this, int(before.size()), draft.mid(before.size()));
            QAccessible::updateAccessibility(&inserted);
        } else {
            QAccessibleTextUpdateEvent replaced(this, 0, before, draft);
            QAccessible::updateAccessibility(&replaced);
        }
    }
}

void StreamingText::updateEnd() {
    // What is laid out above the end stays as it is drawn.
    const auto drawn = std::find_if(flows_.begin(), flows_.end(),
                                    [this](const auto& flow) { return flow->width() == width(); });
    const int top = drawn != flows_.end() ? int(std::floor((*drawn)->endTop())) : 0;
    update(QRect(0, top, width(), std::max(height() - top, 0)));
}

void StreamingText::blink() {
    const qint64 ms = kReference.msecsTo(clock_.now());
    const bool visible = cursorVisibleAt(double(ms) / 1000.0);
    if (visible != cursorVisible_) {
        cursorVisible_ = visible;
        updateEnd();
    }
    // Next half-second boundary of the wall clock.
    const qint64 untilNext = 500 - (((ms % 500) + 500) % 500);
    blinker_ = clock_.singleShot(Platform::Milliseconds(untilNext), [this] { blink(); });
}
