#include "Design/TextWidget.h"

#include <QEvent>

TextWidget::TextWidget(const QString& text, const DS::Color& color, QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    setAccessibleName(text);
}

void TextWidget::setText(const QString& text) {
    if (text_ == text)
        return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void TextWidget::setColor(const DS::Color& color) {
    color_ = color;
    update();
}

void TextWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}
