#include "Panel/MarkdownText.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "Design/Theme.h"
#include "Panel/MarkdownInline.h"
#include "Platform/UrlOpener.h"

namespace {

// What a text block of the document belongs to, for the backgrounds and bars drawn behind it.
enum class Decoration { none, code, quote, rule };
constexpr int kDecorationProperty = QTextFormat::UserProperty + 1;
constexpr int kGroupProperty = QTextFormat::UserProperty + 2;

constexpr qreal kBlockSpacing = 8;
constexpr qreal kHeadingExtra = 4;
constexpr qreal kItemSpacing = 5;
constexpr qreal kIndentStep = 16;
constexpr qreal kMarkerGap = 7;
constexpr qreal kQuoteBar = 3;
constexpr qreal kQuoteGap = 9;
constexpr qreal kCodePaddingX = 10;
constexpr qreal kCodePaddingY = 8;
constexpr qreal kTextLineSpacing = 3;
constexpr qreal kCodeLineSpacing = 2;

bool isSafeLink(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto");
}

QFont monospaced(qreal size) {
    QFont font = DS::Font::system(size);
    font.setFamilies(QFontDatabase::systemFont(QFontDatabase::FixedFont).families());
    font.setStyleHint(QFont::Monospace);
    return font;
}

// A line break inside a block stays inside its text block: a paragraph separator would start
// a new block with the spacing of a new paragraph.
QString inBlock(QString text) {
    return text.replace(u'\n', QChar::LineSeparator);
}

// The text view inside: draws the code backgrounds, quote bars and rules under the text and
// never loads anything a document could name.
class ReplyView final : public QTextBrowser {
public:
    explicit ReplyView(QWidget* parent) : QTextBrowser(parent) {}

    QVariant loadResource(int, const QUrl&) override { return {}; }

protected:
    void paintEvent(QPaintEvent* event) override {
        {
            QPainter painter(viewport());
            painter.setRenderHint(QPainter::Antialiasing);
            painter.translate(0, -verticalScrollBar()->value());
            paintDecorations(painter);
        }
        QTextBrowser::paintEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override {
        // The reply never scrolls itself: the wheel goes to the conversation around it.
        for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
            if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
                QCoreApplication::sendEvent(area->viewport(), event);
                return;
            }
        }
        event->ignore();
    }

private:
    void paintDecorations(QPainter& painter) {
        const QTextDocument* doc = document();
        auto* layout = doc->documentLayout();
        const qreal width = viewport()->width();
        QTextBlock block = doc->begin();
        while (block.isValid()) {
            const auto kind = Decoration(block.blockFormat().intProperty(kDecorationProperty));
            if (kind == Decoration::none) {
                block = block.next();
                continue;
            }
            const int group = block.blockFormat().intProperty(kGroupProperty);
            QRectF rect = layout->blockBoundingRect(block);
            block = block.next();
            while (block.isValid() && block.blockFormat().intProperty(kGroupProperty) == group &&
                   Decoration(block.blockFormat().intProperty(kDecorationProperty)) == kind) {
                rect = rect.united(layout->blockBoundingRect(block));
                block = block.next();
            }
            paintDecoration(painter, kind, rect, width);
        }
    }

    void paintDecoration(QPainter& painter, Decoration kind, QRectF rect, qreal width) {
        switch (kind) {
            case Decoration::code: {
                const QRectF box(0, rect.top() - kCodePaddingY, width,
                                 rect.height() + 2 * kCodePaddingY);
                RoundedBox::fill(painter, box, 8, DS::Palette::field.resolve(this));
                RoundedBox::strokeInside(painter, box, 8, DS::Palette::stroke.resolve(this), 0.5);
                break;
            }
            case Decoration::quote: {
                QColor bar = DS::Palette::accent.resolve(this);
                bar.setAlphaF(bar.alphaF() * 0.45);
                RoundedBox::fill(painter, QRectF(rect.left(), rect.top(), kQuoteBar, rect.height()),
                                 1.5, bar);
                break;
            }
            case Decoration::rule:
                painter.fillRect(QRectF(0, rect.center().y() - 0.25, width, 0.5),
                                 DS::Palette::stroke.resolve(this));
                break;
            case Decoration::none:
                break;
        }
    }
};

// Writes the blocks of a reply into a document, one after another.
class Writer {
public:
    Writer(QTextCursor& cursor, const QWidget* widget, const QFont& font, bool verbatim)
        : cursor_(cursor), widget_(widget), font_(font), verbatim_(verbatim) {}

    // `reuse`: the cursor stands in an empty text block that the block takes over.
    void write(const MarkdownBlock& block, int index, bool reuse) {
        first_ = index == 0;
        reuse_ = reuse;
        group_ = index;
        std::visit([this](const auto& value) { add(value); }, block.value);
    }

private:
    QTextBlockFormat blockFormat(Decoration decoration, qreal extraTop = 0) const {
        QTextBlockFormat format;
        format.setTopMargin(first_ ? 0 : kBlockSpacing + extraTop);
        format.setLineHeight(kTextLineSpacing, QTextBlockFormat::LineDistanceHeight);
        format.setProperty(kDecorationProperty, int(decoration));
        format.setProperty(kGroupProperty, group_);
        return format;
    }

    QTextCharFormat baseFormat(const DS::Color& color) const {
        QTextCharFormat format;
        format.setFont(font_);
        format.setForeground(color.resolve(widget_));
        return format;
    }

    void begin(const QTextBlockFormat& format, const QTextCharFormat& chars) {
        if (reuse_) {
            cursor_.setBlockFormat(format);
            cursor_.setBlockCharFormat(chars);
            cursor_.setCharFormat(chars);
        } else {
            cursor_.insertBlock(format, chars);
        }
        first_ = false;
        reuse_ = false;
    }

    void runs(const QString& text, const QTextCharFormat& base) {
        for (const MarkdownInline::Run& run : MarkdownInline::parse(text)) {
            QTextCharFormat format = base;
            if (run.strong)
                format.setFontWeight(QFont::Bold);
            if (run.emphasis)
                format.setFontItalic(true);
            if (run.strikethrough)
                format.setFontStrikeOut(true);
            if (run.code) {
                QFont font = monospaced(12.5);
                font.setBold(run.strong);
                font.setItalic(run.emphasis);
                format.setFont(font);
                format.setBackground(DS::Palette::field.resolve(widget_));
            }
            if (!run.link.isEmpty() && isSafeLink(run.link)) {
                format.setAnchor(true);
                format.setAnchorHref(run.link.toString(QUrl::FullyEncoded));
                format.setForeground(DS::Palette::accentText.resolve(widget_));
            }
            cursor_.insertText(inBlock(run.text), format);
        }
    }

    void add(const MarkdownBlock::Heading& heading) {
        const bool opening = first_;
        QTextCharFormat chars = baseFormat(DS::Palette::label);
        chars.setFont(DS::Font::system(heading.level <= 2 ? 14.5 : 13.5, QFont::DemiBold));
        QTextBlockFormat format = blockFormat(Decoration::none, opening ? 0 : kHeadingExtra);
        begin(format, chars);
        runs(heading.text, chars);
    }

    void add(const MarkdownBlock::Paragraph& paragraph) {
        const QTextCharFormat chars = baseFormat(DS::Palette::label);
        begin(blockFormat(Decoration::none), chars);
        runs(paragraph.text, chars);
    }

    void add(const MarkdownBlock::List& list) {
        const QTextCharFormat chars = baseFormat(DS::Palette::label);
        bool firstItem = true;
        for (const MarkdownBlock::Item& item : list.items) {
            QTextCharFormat marker = baseFormat(DS::Palette::accent);
            QString markerText;
            qreal minWidth = 8;
            if (item.number) {
                markerText = *item.number;
                marker.setFontWeight(QFont::DemiBold);
                minWidth = 16;
            } else {
                markerText = item.indent == 0 ? QStringLiteral("\u2022") : QStringLiteral("\u25E6");
                marker.setFontWeight(QFont::Bold);
            }
            const qreal box =
                std::max(minWidth, QFontMetricsF(marker.font()).horizontalAdvance(markerText));
            QTextBlockFormat format = blockFormat(Decoration::none);
            if (!firstItem)
                format.setTopMargin(kItemSpacing);
            // The marker sits right-aligned in its box; wrapped lines start under the text.
            format.setLeftMargin(item.indent * kIndentStep + box + kMarkerGap);
            format.setTextIndent(-(box + kMarkerGap));
            format.setTabPositions({QTextOption::Tab(box, QTextOption::RightTab),
                                    QTextOption::Tab(box + kMarkerGap, QTextOption::LeftTab)});
            begin(format, chars);
            cursor_.insertText(QStringLiteral("\t"), chars);
            cursor_.insertText(markerText, marker);
            cursor_.insertText(QStringLiteral("\t"), chars);
            runs(item.text, chars);
            firstItem = false;
        }
    }

    void add(const MarkdownBlock::Quote& quote) {
        const QTextCharFormat chars = baseFormat(DS::Palette::secondary);
        QTextBlockFormat format = blockFormat(Decoration::quote);
        format.setLeftMargin(kQuoteBar + kQuoteGap);
        begin(format, chars);
        runs(quote.text, chars);
    }

    void add(const MarkdownBlock::Code& code) {
        if (verbatim_) {
            const QTextCharFormat chars = baseFormat(DS::Palette::label);
            begin(blockFormat(Decoration::none), chars);
            cursor_.insertText(inBlock(code.text), chars);
            return;
        }
        QTextCharFormat chars = baseFormat(DS::Palette::label);
        chars.setFont(monospaced(12));
        QTextBlockFormat format = blockFormat(Decoration::code);
        format.setTopMargin(format.topMargin() + kCodePaddingY);
        format.setBottomMargin(kCodePaddingY);
        format.setLeftMargin(kCodePaddingX);
        format.setRightMargin(kCodePaddingX);
        format.setLineHeight(kCodeLineSpacing, QTextBlockFormat::LineDistanceHeight);
        begin(format, chars);
        // Verbatim: no inline Markdown inside a code block.
        cursor_.insertText(inBlock(code.text), chars);
    }

    void add(const MarkdownBlock::Rule&) {
        QTextCharFormat chars = baseFormat(DS::Palette::label);
        QFont tiny = font_;
        tiny.setPixelSize(1);
        chars.setFont(tiny);
        QTextBlockFormat format = blockFormat(Decoration::rule);
        format.setTopMargin(format.topMargin() + 2);
        format.setBottomMargin(2);
        format.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
        begin(format, chars);
    }

    QTextCursor& cursor_;
    const QWidget* widget_;
    QFont font_;
    bool verbatim_;
    bool first_ = true;
    bool reuse_ = true;
    int group_ = 0;
};

}  // namespace

MarkdownText::MarkdownText(Platform::UrlOpener* opener, QWidget* parent)
    : QWidget(parent), opener_(opener), view_(new ReplyView(this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setOpenLinks(false);
    view_->setOpenExternalLinks(false);
    view_->setUndoRedoEnabled(false);
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    view_->setCursorWidth(0);
    view_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view_->setLineWrapMode(QTextEdit::FixedPixelWidth);
    view_->setLineWrapColumnOrWidth(wrapWidth_);
    view_->viewport()->setAutoFillBackground(false);
    view_->setAutoFillBackground(false);
    view_->setStyleSheet(QString());
    QPalette palette = view_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    view_->setPalette(palette);
    view_->document()->setDocumentMargin(0);
    view_->document()->setUndoRedoEnabled(false);
    connect(view_, &QTextBrowser::anchorClicked, this, &MarkdownText::openLink);
    // Under the pointer, a link names where it goes before it is clicked.
    connect(view_, qOverload<const QUrl&>(&QTextBrowser::highlighted), this,
            [this](const QUrl& url) {
                view_->setToolTip(url.isEmpty() ? QString() : url.toString(QUrl::FullyEncoded));
            });
    // The document is laid out at the wrap width while the widget is only as wide as its
    // widest line: the view must never scroll sideways to follow its cursor.
    QScrollBar* sideways = view_->horizontalScrollBar();
    connect(sideways, &QScrollBar::valueChanged, sideways, [sideways](int value) {
        if (value != 0)
            sideways->setValue(0);
    });
    if (Theme* theme = Theme::current())
        connect(theme, &Theme::changed, this, [this] { rebuild(0); });
    remeasure();
}

MarkdownText::~MarkdownText() = default;

const QTextDocument& MarkdownText::document() const {
    return *view_->document();
}

void MarkdownText::setSource(const QString& source) {
    if (source == source_)
        return;
    source_ = source;
    QList<MarkdownBlock> blocks;
    if (!verbatim_)
        blocks = MarkdownBlock::parse(source);
    else if (!source.isEmpty())
        blocks.append(MarkdownBlock{MarkdownBlock::Code{source}});
    qsizetype same = 0;
    while (same < blocks.size() && same < blocks_.size() && blocks[same] == blocks_[same])
        ++same;
    blocks_ = std::move(blocks);
    rebuild(same);
}

void MarkdownText::setVerbatim(bool verbatim) {
    if (verbatim == verbatim_)
        return;
    verbatim_ = verbatim;
    const QString source = source_;
    source_.clear();
    blocks_.clear();
    setSource(source);
}

void MarkdownText::setWrapWidth(int width) {
    width = std::max(width, 1);
    if (width == wrapWidth_)
        return;
    wrapWidth_ = width;
    view_->setLineWrapColumnOrWidth(width);
    remeasure();
}

void MarkdownText::rebuild(qsizetype fromBlock) {
    QTextDocument* doc = view_->document();
    QTextCursor cursor(doc);
    fromBlock = std::min(fromBlock, blockStarts_.size());
    if (fromBlock == blocks_.size() && fromBlock == blockStarts_.size())
        return;
    // The first changed block's text and everything after it goes; its emptied text block is
    // taken over by the new block. Appending after the last block adds a text block instead.
    bool reuse = true;
    if (fromBlock < blockStarts_.size()) {
        // With nothing left to write, the separator before the block goes too.
        const bool trailing = fromBlock == blocks_.size() && fromBlock > 0;
        cursor.setPosition(blockStarts_[fromBlock] - (trailing ? 1 : 0));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        blockStarts_.resize(fromBlock);
    } else {
        cursor.movePosition(QTextCursor::End);
        reuse = blockStarts_.isEmpty();
    }
    Writer writer(cursor, this, font(), verbatim_);
    for (qsizetype i = fromBlock; i < blocks_.size(); ++i) {
        const int start = reuse ? cursor.position() : cursor.position() + 1;
        writer.write(blocks_[i], int(i), reuse);
        blockStarts_.append(start);
        reuse = false;
    }
    if (blocks_.isEmpty()) {
        cursor.setBlockFormat(QTextBlockFormat());
    }
    remeasure();
}

void MarkdownText::remeasure() {
    QTextDocument* doc = view_->document();
    doc->setTextWidth(wrapWidth_);
    // The ideal width finishes the layout, which a text view otherwise does lazily; only
    // then is the height the whole text's.
    const int width = std::min(wrapWidth_, int(std::ceil(doc->idealWidth())));
    const QSize size(width, int(std::ceil(doc->size().height())));
    view_->viewport()->update();
    if (size == size_)
        return;
    size_ = size;
    setFixedSize(size_);
    updateGeometry();
}

void MarkdownText::resizeEvent(QResizeEvent*) {
    view_->setGeometry(rect());
}

void MarkdownText::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        rebuild(0);
    }
    QWidget::changeEvent(event);
}

QUrl MarkdownText::linkAt(const QPoint& position) const {
    const QString href = view_->anchorAt(view_->mapFrom(this, position));
    return href.isEmpty() ? QUrl() : QUrl(href, QUrl::StrictMode);
}

void MarkdownText::openLink(const QUrl& url) {
    // The document only holds links we made, but an address is checked again where it leaves
    // the program.
    if (!opener_ || !isSafeLink(url))
        return;
    opener_->open(url);
}
