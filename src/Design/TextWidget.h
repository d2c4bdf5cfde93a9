#pragma once

#include <QWidget>

#include "Design/Color.h"

// What every label of the kit shares: the text it shows, which is also its name for screen
// readers, and the colour that is resolved when drawn. A new text changes the size hint, so
// the layout is asked again; so is a new font. Each label draws the text its own way.
class TextWidget : public QWidget {
    Q_OBJECT

public:
    QString text() const { return text_; }
    void setText(const QString& text);
    DS::Color color() const { return color_; }
    void setColor(const DS::Color& color);

protected:
    TextWidget(const QString& text, const DS::Color& color, QWidget* parent);

    void changeEvent(QEvent* event) override;

private:
    QString text_;
    DS::Color color_;
};
