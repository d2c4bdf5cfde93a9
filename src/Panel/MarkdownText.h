#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include "Panel/MarkdownBlock.h"

class QTextBrowser;
class QTextDocument;

namespace Platform {
class UrlOpener;
}

// A reply drawn as Markdown: the reply is split into blocks by our own parser and every
// block is written into a text document as styled runs through a text cursor. Nothing the
// model wrote is ever read as HTML or by Qt's own Markdown reader, so "<img src=x>" shows as
// those characters. Only http, https and mailto links can be clicked; they open through the
// URL opener. The text can be selected.
//
// Setting the same source again costs nothing; a new source is parsed once and the document
// is rewritten only from the first block that changed, so a reply that grows at its end
// (streaming) does not lay out its earlier blocks again.
class MarkdownText : public QWidget {
    Q_OBJECT

public:
    explicit MarkdownText(Platform::UrlOpener* opener = nullptr, QWidget* parent = nullptr);
    ~MarkdownText() override;

    void setSource(const QString& source);
    // Shows the source exactly as written, without reading Markdown (the user's own words).
    void setVerbatim(bool verbatim);
    const QString& source() const { return source_; }
    const QList<MarkdownBlock>& blocks() const { return blocks_; }
    // The document as drawn, for reading back what is shown.
    const QTextDocument& document() const;
    // The address of the link at `position` (widget coordinates); empty when none.
    QUrl linkAt(const QPoint& position) const;

    // The width at which lines wrap; the widget is never wider.
    void setWrapWidth(int width);
    int wrapWidth() const { return wrapWidth_; }

    QSize sizeHint() const override { return size_; }
    QSize minimumSizeHint() const override { return size_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild(qsizetype fromBlock);
    void remeasure();
    void openLink(const QUrl& url);

    Platform::UrlOpener* opener_;
    QTextBrowser* view_;
    QString source_;
    QList<MarkdownBlock> blocks_;
    // Where each block begins in the document, so a rewrite can start at a changed block.
    QList<int> blockStarts_;
    int wrapWidth_ = 400;
    bool verbatim_ = false;
    QSize size_;
};
