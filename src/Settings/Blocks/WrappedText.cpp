#include "Settings/Blocks/WrappedText.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int textFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;

// Text wider than this wraps even when the layout offers more; the settings column never
// gets wider.
constexpr int idealWidthLimit = 480;

}  // namespace

WrappedText::WrappedText(const QString& text, const QFont& font, const DS::Color& color,
                         QWidget* parent)
    : QWidget(parent), text_(text), color_(color) {
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void WrappedText::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

void WrappedText::setColor(const DS::Color& color) {
    color_ = color;
    update();
}

int WrappedText::heightForWidth(int width) const {
    const QFontMetrics metrics(font());
    return metrics.boundingRect(QRect(0, 0, qMax(1, width), 100000), textFlags, text_).height();
}

QSize WrappedText::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = qMin(idealWidthLimit, metrics.horizontalAdvance(text_) + 1);
    return {width, heightForWidth(width)};
}

QSize WrappedText::minimumSizeHint() const {
    // The longest word stays whole.
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& word : text_.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        widest = qMax(widest, metrics.horizontalAdvance(word));
    return {qMin(widest + 1, idealWidthLimit), metrics.height()};
}

void WrappedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color_.resolve(this));
    painter.setFont(font());
    painter.drawText(rect(), textFlags, text_);
}
