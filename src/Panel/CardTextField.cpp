#include "Panel/CardTextField.h"

#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr int kLineHeight = 26;
// The editor is as tall as its text between these; past the most it scrolls, with its bar.
constexpr int kEditorHeight = 84;
constexpr int kLeastEditorLines = 2;
constexpr int kMaxGrowingLines = 3;

struct Metrics {
    QMargins padding;
    qreal radius;
};

Metrics metricsOf(CardTextField::Shape shape) {
    switch (shape) {
        case CardTextField::Shape::line:
            return {{8, 0, 8, 0}, 7};
        case CardTextField::Shape::editor:
            return {{6, 6, 6, 6}, 8};
        case CardTextField::Shape::growing:
            return {{8, 5, 8, 5}, 7};
    }
    return {{}, 7};
}

QFont fontOf(CardTextField::Shape shape, bool monospaced) {
    if (monospaced) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(12);
        return font;
    }
    return DS::Font::system(shape == CardTextField::Shape::editor ? 12 : 12.5);
}

}  // namespace

CardTextField::CardTextField(Shape shape, bool monospaced, QWidget* parent)
    : QWidget(parent), shape_(shape) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(metricsOf(shape).padding);
    layout->setSpacing(0);
    const QFont font = fontOf(shape, monospaced);
    if (shape == Shape::line) {
        line_ = new QLineEdit(this);
        line_->setFrame(false);
        line_->setFont(font);
        line_->setAttribute(Qt::WA_MacShowFocusRect, false);
        layout->addWidget(line_);
        connect(line_, &QLineEdit::textEdited, this, &CardTextField::edited);
        setFixedHeight(kLineHeight);
    } else {
        lines_ = new QPlainTextEdit(this);
        lines_->setFrameShape(QFrame::NoFrame);
        lines_->setFont(font);
        lines_->document()->setDocumentMargin(0);
        lines_->setTabChangesFocus(true);
        lines_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        lines_->viewport()->setAutoFillBackground(false);
        layout->addWidget(lines_);
        connect(lines_, &QPlainTextEdit::textChanged, this, [this] {
            fitHeight();
            if (!setting_)
                emit edited(lines_->toPlainText());
        });
        if (shape == Shape::growing) {
            // A growing field is one value, like a line: Return does not start a new line,
            // long text wraps instead.
            lines_->installEventFilter(this);
            // Past its three lines the field scrolls, and its scroll bar says that it does.
            lines_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        }
        fitHeight();
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    applyColours();
}

QString CardTextField::text() const {
    return line_ ? line_->text() : lines_->toPlainText();
}

void CardTextField::setText(const QString& text) {
    if (this->text() == text)
        return;
    setting_ = true;
    // What the user confirms is read from its beginning: a long value opens at its first line,
    // not scrolled to its end.
    if (line_) {
        line_->setText(text);
        line_->setCursorPosition(0);
    } else {
        lines_->setPlainText(text);
        lines_->moveCursor(QTextCursor::Start);
        lines_->verticalScrollBar()->setValue(0);
    }
    setting_ = false;
}

void CardTextField::setPlaceholder(const QString& text) {
    if (line_)
        line_->setPlaceholderText(text);
    else
        lines_->setPlaceholderText(text);
}

int CardTextField::totalLines() const {
    return totalLines_;
}

void CardTextField::setLabel(const QString& label) {
    (line_ ? static_cast<QWidget*>(line_) : lines_)->setAccessibleName(label);
}

int CardTextField::shownLines() const {
    return shownLines_;
}

int CardTextField::heightFor(int lines) const {
    const QMargins padding = metricsOf(shape_).padding;
    const qreal lineSpacing = QFontMetricsF(lines_->font()).lineSpacing();
    return int(std::ceil(lines * lineSpacing)) + padding.top() + padding.bottom() + 2;
}

int CardTextField::countLines(int enough) const {
    // Counted here rather than read from the editor, which wraps only after its own resize,
    // one step after this widget's: each paragraph wrapped as the editor will wrap it.
    const QMargins padding = metricsOf(shape_).padding;
    const qreal wrapWidth = width() - padding.left() - padding.right();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int count = 0;
    for (QTextBlock block = lines_->document()->begin(); block.isValid() && count < enough;
         block = block.next()) {
        QTextLayout layout(block.text(), lines_->font());
        layout.setTextOption(option);
        layout.beginLayout();
        int blockLines = 0;
        for (QTextLine line = layout.createLine(); line.isValid() && count + blockLines < enough;
             line = layout.createLine()) {
            line.setLineWidth(std::max<qreal>(wrapWidth, 1));
            ++blockLines;
        }
        layout.endLayout();
        count += std::max(1, blockLines);
    }
    return count;
}

void CardTextField::fitHeight() {
    if (shape_ == Shape::line)
        return;
    if (shape_ == Shape::editor) {
        // A short text takes a short box, so that the card around it keeps to the room a small
        // screen has; a long one fills the box and scrolls within it. Lines past what the box
        // holds, but one, need no counting.
        const int held =
            int((kEditorHeight - heightFor(0)) / QFontMetricsF(lines_->font()).lineSpacing());
        const int lines = std::max(kLeastEditorLines, countLines(held + 1));
        applyHeight(std::min(kEditorHeight, heightFor(lines)));
        return;
    }
    const int count = countLines(std::numeric_limits<int>::max());
    const bool changed = count != totalLines_;
    totalLines_ = count;
    shownLines_ = std::clamp(count, 1, kMaxGrowingLines);
    if (changed)
        emit linesChanged(totalLines_);
    applyHeight(heightFor(shownLines_));
}

void CardTextField::applyHeight(int height) {
    if (height != this->height() || minimumHeight() != height) {
        setFixedHeight(height);
        updateGeometry();
    }
}

QSize CardTextField::sizeHint() const {
    return {160, shape_ == Shape::line ? kLineHeight : minimumHeight()};
}

QSize CardTextField::minimumSizeHint() const {
    return {40, sizeHint().height()};
}

void CardTextField::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Wrapping follows the width, so the line count may have changed.
    fitHeight();
}

bool CardTextField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lines_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CardTextField::applyColours() {
    QWidget* editor = line_ ? static_cast<QWidget*>(line_) : lines_;
    QPalette colours = editor->palette();
    colours.setColor(QPalette::Text, DS::Palette::label.resolve(this));
    colours.setColor(QPalette::PlaceholderText, DS::Palette::tertiary.resolve(this));
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Window, Qt::transparent);
    colours.setColor(QPalette::Highlight, DS::Palette::accent.resolve(this));
    colours.setColor(QPalette::HighlightedText, DS::Palette::white.resolve(this));
    if (colours != editor->palette())
        editor->setPalette(colours);
}

void CardTextField::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColours();
}

void CardTextField::paintEvent(QPaintEvent*) {
    applyColours();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::fill(painter, rect(), metricsOf(shape_).radius, DS::Palette::field.resolve(this));
}
