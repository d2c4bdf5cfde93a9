#pragma once

#include <QWidget>

#include "Design/Color.h"

// A text of one font and colour token that wraps at word boundaries and grows downwards as
// the width shrinks; settings subtitles and footnotes are often longer than one line.
class WrappedText : public QWidget {
    Q_OBJECT

public:
    WrappedText(const QString& text, const QFont& font, const DS::Color& color,
                QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setColor(const DS::Color& color);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    DS::Color color_;
};
