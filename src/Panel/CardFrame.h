#pragma once

#include <QWidget>

#include "Design/Color.h"

class ButtonStyle;
class ElidedLabel;
class QVBoxLayout;
class StyledButton;
class TintedLabel;

// The frame of the panel's cards: the answer background in a rounded box of radius 12 with a
// border inside its edge. Cards that ask for a decision (a proposed action) are outlined in the
// accent; finished content (a document) only with the hairline.
class CardFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPadding = 12;
    static constexpr qreal kRadius = 12;

    // The card's content goes into a column with the card's padding and `spacing`.
    CardFrame(const DS::Color& border, qreal borderOpacity, qreal borderWidth, int spacing,
              QWidget* parent = nullptr);

protected:
    QVBoxLayout* column() const;
    // A button for the pointer only: the instruction field keeps the keyboard.
    static StyledButton* button(const QString& text, const ButtonStyle& style, const char* name,
                                QWidget* parent);
    // One line of text in the card's type, elided at the tail.
    static ElidedLabel* line(const QFont& font, const DS::Color& color, QWidget* parent);
    // A success check with its message beside it; the check stays with the message's first
    // line when it wraps. `text` receives the message label.
    static QWidget* successLine(TintedLabel*& text, QWidget* parent);
    // A message in the error colour, wrapped over as many lines as it needs and selectable, so
    // that what went wrong can be copied.
    static TintedLabel* errorText(const char* name, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;

private:
    DS::Color border_;
    qreal borderOpacity_;
    qreal borderWidth_;
};
