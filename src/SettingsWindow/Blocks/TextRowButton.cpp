#include "SettingsWindow/Blocks/TextRowButton.h"

#include <QPainter>

#include "Design/Fonts.h"
#include "Design/Palette.h"

namespace {

constexpr int insetX = 14;
constexpr int insetY = 11;

}  // namespace

TextRowButton::TextRowButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFont(DS::Font::body());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TextRowButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * insetX, metrics.height() + 2 * insetY};
}

void TextRowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (isDown())
        painter.fillRect(rect(), DS::Palette::fill.resolve(this));
    painter.setPen(DS::Palette::accentText.resolve(this));
    if (hasFocus()) {
        QFont underlined = font();
        underlined.setUnderline(true);
        painter.setFont(underlined);
    }
    painter.drawText(rect().adjusted(insetX, 0, -insetX, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}
