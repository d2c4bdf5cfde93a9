#pragma once

#include <QWidget>

#include "Design/Color.h"

// Plain text that wraps over at most a given number of lines, the last shown line ending in
// "…" when text is left over. Its height follows its width.
class ClampedText : public QWidget {
    Q_OBJECT

public:
    ClampedText(int maxLines, qreal lineSpacing, const DS::Color& color, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);

    // The lines drawn at `width`, the last one already shortened.
    QStringList shownLines(qreal width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int heightOf(int lineCount) const;

    QString text_;
    int maxLines_;
    qreal lineSpacing_;
    DS::Color color_;
};
