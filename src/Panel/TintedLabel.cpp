#include "Panel/TintedLabel.h"

TintedLabel::TintedLabel(const DS::Color& color, QWidget* parent) : QLabel(parent), color_(color) {
    // Text from the model or the screen is shown as it is, never as markup.
    setTextFormat(Qt::PlainText);
}

void TintedLabel::setColor(const DS::Color& color) {
    if (color_ == color)
        return;
    color_ = color;
    update();
}

void TintedLabel::paintEvent(QPaintEvent* event) {
    const QColor color = color_.resolve(this);
    if (palette().color(QPalette::WindowText) != color) {
        QPalette shown = palette();
        shown.setColor(QPalette::WindowText, color);
        shown.setColor(QPalette::Text, color);
        // Setting the palette asks for one more paint; that one finds it in place.
        setPalette(shown);
    }
    QLabel::paintEvent(event);
}
