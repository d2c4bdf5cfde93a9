#pragma once

#include "Design/TextWidget.h"

// Plain text that wraps over at most a given number of lines, the last shown line ending in
// "…" when text is left over. Its height follows its width.
class ClampedText : public TextWidget {
    Q_OBJECT

public:
    ClampedText(int maxLines, qreal lineSpacing, const DS::Color& color, QWidget* parent = nullptr);

    // The lines drawn at `width`, the last one already shortened.
    QStringList shownLines(qreal width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int heightOf(int lineCount) const;

    int maxLines_;
    qreal lineSpacing_;
};
