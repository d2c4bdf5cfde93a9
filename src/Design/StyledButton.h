#pragma once

#include <QAbstractButton>

#include "Design/ButtonStyle.h"
#include "Design/LabelRow.h"

class AnimationDriver;

// A push button in one of the styles. Only the background answers a press (the primary
// fill dims to 0.8, the secondary fill strengthens, the quiet one appears); text and border
// stay. A plain button has no background: its label dims while pressed. The whole rectangle takes clicks, padding and corners included. A
// disabled button is drawn at half strength so that it does not invite a click.
class StyledButton : public QAbstractButton {
    Q_OBJECT

public:
    StyledButton(const QString& text, const ButtonStyle& style, QWidget* parent = nullptr);
    // A label of several parts: "Einfügen" with a return symbol, a spinner before a text …
    StyledButton(LabelRow label, const ButtonStyle& style, QWidget* parent = nullptr);

    const ButtonStyle& buttonStyle() const { return style_; }
    void setButtonStyle(const ButtonStyle& style);
    const LabelRow& label() const { return label_; }
    void setLabel(LabelRow label);
    // Sets a plain text label (QAbstractButton's text stays in step, for accessibility).
    void setLabelText(const QString& text);

    // The whole label; a label with optional parts may shrink to its essential ones, which it
    // then shows alone.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;
    QSize sizeFor(const LabelRow& label) const;
    void syncSpinner();

    ButtonStyle style_;
    LabelRow label_;
    AnimationDriver* spinnerDriver_ = nullptr;
};
