#include "SettingsWindow/Blocks/SettingsTextEditor.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr qreal fillRadius = 9;
constexpr int fillPadding = 10;
constexpr qreal fieldRadius = 6;
constexpr int fieldPaddingX = 6;
constexpr int fieldPaddingY = 4;

}  // namespace

SettingsTextEditor::SettingsTextEditor(Look look, int height, const QFont& font, QWidget* parent)
    : QPlainTextEdit(parent), look_(look) {
    setFont(font);
    setFrameShape(QFrame::NoFrame);
    if (look_ != Look::field)
        setFixedHeight(height);
    // A text of several lines keeps what the user types, tabs included; Control+Tab and
    // Shift+Tab lead out of it. A field that looks like a line passes Tab on like one.
    setTabChangesFocus(look_ == Look::field);
    // The card (or the fill painted below) shows through.
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    if (look_ == Look::filled)
        setViewportMargins(fillPadding, fillPadding, fillPadding, fillPadding);
    if (look_ == Look::field) {
        setViewportMargins(fieldPaddingX, fieldPaddingY, fieldPaddingX, fieldPaddingY);
        // It wraps every line and grows with them. A horizontal scroll bar that shows while its
        // width is not yet known would stay and take the last line's room.
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(this, &QPlainTextEdit::textChanged, this, &SettingsTextEditor::fitHeight);
        fitHeight();
    }
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_)
            emit edited(toPlainText());
    });
}

void SettingsTextEditor::setValue(const QString& value) {
    if (toPlainText() == value)
        return;
    showing_ = true;
    setPlainText(value);
    showing_ = false;
}

void SettingsTextEditor::fitHeight() {
    // Measured by the editor's own layout, block by block (asking for a block's rectangle
    // lays it out): a measure of its own would wrap otherwise, a command without blanks for
    // one, which the editor breaks anywhere and a word wrap would leave on one line.
    qreal textHeight = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        textHeight += blockBoundingRect(block).height();
    const int lineHeight = QFontMetrics(font()).lineSpacing();
    setFixedHeight(std::max(static_cast<int>(std::ceil(textHeight)), lineHeight) +
                   2 * fieldPaddingY + 4);
}

void SettingsTextEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    if (look_ == Look::field)
        fitHeight();
}

bool SettingsTextEditor::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress && !tabChangesFocus()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool control = key->modifiers() & Qt::ControlModifier;
        const bool out = key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && control);
        // QPlainTextEdit keeps the focus while Tab is typed; the way out goes past it.
        if (out && QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab)) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::Paint && look_ == Look::field) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        RoundedBox::fill(painter, rect(), fieldRadius, DS::Palette::field.resolve(this));
        RoundedBox::strokeInside(painter, rect(), fieldRadius,
                                 DS::Palette::strokeStrong.resolve(this), hasFocus() ? 1.5 : 1);
    }
    if (event->type() == QEvent::Paint && look_ == Look::filled) {
        // The fill lies behind the padding too, so it is painted on the editor's own frame,
        // around the viewport that holds the text.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        RoundedBox::fill(painter, rect(), fillRadius, DS::Palette::fill.resolve(this));
    }
    return QPlainTextEdit::event(event);
}
