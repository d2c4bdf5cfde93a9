#pragma once

#include <QWidget>

#include "Design/Color.h"

// The frame of the panel's cards: the answer background in a rounded box of radius 12 with a
// border inside its edge. Cards that ask for a decision (a proposed action) are outlined in the
// accent; finished content (a document) only with the hairline.
class CardFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPadding = 12;
    static constexpr qreal kRadius = 12;

    CardFrame(const DS::Color& border, qreal borderOpacity, qreal borderWidth,
              QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DS::Color border_;
    qreal borderOpacity_;
    qreal borderWidth_;
};
