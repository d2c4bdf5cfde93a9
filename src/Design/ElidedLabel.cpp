#include "Design/ElidedLabel.h"

#include <QPainter>
#include <cmath>

#include "Design/Palette.h"
#include "Design/TextPainter.h"

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : TextWidget(text, DS::Palette::label, parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    mode_ = mode;
    update();
}

void ElidedLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QString ElidedLabel::oneLine() const {
    QString line = text();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

QString ElidedLabel::shownText() const {
    return TextPainter::elided(font(), oneLine(), mode_, width());
}

QSize ElidedLabel::sizeHint() const {
    return {static_cast<int>(std::ceil(TextPainter::advance(font(), oneLine()))),
            static_cast<int>(std::ceil(TextPainter::metrics(font()).height()))};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {static_cast<int>(std::ceil(TextPainter::advance(font(), QStringLiteral("…")))),
            static_cast<int>(std::ceil(TextPainter::metrics(font()).height()))};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color().resolve(this));
    const QString shown = shownText();
    const TextPainter::Metrics metrics = TextPainter::metrics(font());
    const qreal advance = TextPainter::advance(font(), shown);
    qreal x = 0;
    if (alignment_ & Qt::AlignHCenter)
        x = (width() - advance) / 2;
    else if (alignment_ & Qt::AlignRight)
        x = width() - advance;
    qreal top = (height() - metrics.height()) / 2;
    if (alignment_ & Qt::AlignTop)
        top = 0;
    else if (alignment_ & Qt::AlignBottom)
        top = height() - metrics.height();
    TextPainter::draw(painter, QPointF(x, top + metrics.ascent), font(), shown);
}
