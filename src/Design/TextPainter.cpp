#include "Design/TextPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "Design/Fonts.h"

namespace TextPainter {

namespace {

bool whole(qreal value) {
    return std::abs(value - std::round(value)) < 1e-6;
}

// How much larger the font is set so that its size is whole.
int factorFor(const QFont& font) {
    const qreal pixels = DS::Font::pixels(font);
    if (whole(pixels))
        return 1;
    if (whole(pixels * 2))
        return 2;
    return 4;
}

QFont scaled(const QFont& font, int factor) {
    if (factor == 1)
        return font;
    QFont larger = font;
    if (font.pixelSize() > 0)
        larger.setPixelSize(font.pixelSize() * factor);
    else
        larger.setPointSizeF(font.pointSizeF() * factor);
    return larger;
}

}  // namespace

Metrics metrics(const QFont& font) {
    const int factor = factorFor(font);
    const QFontMetricsF m(scaled(font, factor));
    return {m.ascent() / factor, m.descent() / factor, m.lineSpacing() / factor};
}

qreal advance(const QFont& font, const QString& text) {
    const int factor = factorFor(font);
    return QFontMetricsF(scaled(font, factor)).horizontalAdvance(text) / factor;
}

QString elided(const QFont& font, const QString& text, Qt::TextElideMode mode, qreal width) {
    const int factor = factorFor(font);
    return QFontMetricsF(scaled(font, factor)).elidedText(text, mode, width * factor);
}

void draw(QPainter& painter, const QPointF& baseline, const QFont& font, const QString& text) {
    const int factor = factorFor(font);
    painter.save();
    painter.setFont(scaled(font, factor));
    if (factor == 1) {
        painter.drawText(baseline, text);
    } else {
        painter.translate(baseline);
        painter.scale(1.0 / factor, 1.0 / factor);
        painter.drawText(QPointF(0, 0), text);
    }
    painter.restore();
}

QStringList wrap(const QFont& font, const QString& text, qreal width) {
    const int factor = factorFor(font);
    QString laidOut = text;
    laidOut.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, scaled(font, factor));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max<qreal>(1, width * factor));
        QString part = laidOut.mid(line.textStart(), line.textLength());
        part.remove(QChar::LineSeparator);
        lines << part.trimmed();
    }
    layout.endLayout();
    return lines;
}

}  // namespace TextPainter
