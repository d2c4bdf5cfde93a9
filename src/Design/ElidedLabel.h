#pragma once

#include "Design/TextWidget.h"

// One line of text that shortens itself with "…" when it has too little room: at the tail
// for most texts, at the head where the newest words matter (live dictation), in the middle
// for paths. Line breaks show as spaces. Its ideal width is the whole text.
class ElidedLabel : public TextWidget {
    Q_OBJECT

public:
    explicit ElidedLabel(const QString& text = {}, QWidget* parent = nullptr);

    void setElideMode(Qt::TextElideMode mode);
    void setAlignment(Qt::Alignment alignment);

    // What is drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString oneLine() const;

    Qt::TextElideMode mode_ = Qt::ElideRight;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};
