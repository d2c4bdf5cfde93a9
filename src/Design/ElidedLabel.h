#pragma once

#include <QWidget>

#include "Design/Color.h"
#include "Design/Palette.h"

// One line of text that shortens itself with "…" when it has too little room: at the tail
// for most texts, at the head where the newest words matter (live dictation), in the middle
// for paths. Line breaks show as spaces. Its ideal width is the whole text.
class ElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    void setColor(const DS::Color& color);
    void setElideMode(Qt::TextElideMode mode);
    void setAlignment(Qt::Alignment alignment);

    // What is drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString oneLine() const;

    QString text_;
    DS::Color color_ = DS::Palette::label;
    Qt::TextElideMode mode_ = Qt::ElideRight;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};
