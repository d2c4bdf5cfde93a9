#include "Panel/ClampedText.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

ClampedText::ClampedText(int maxLines, qreal lineSpacing, const DS::Color& color, QWidget* parent)
    : TextWidget(QString(), color, parent), maxLines_(maxLines), lineSpacing_(lineSpacing) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QStringList ClampedText::shownLines(qreal width) const {
    QStringList shown;
    if (text().isEmpty() || width <= 0)
        return shown;
    QString text = this->text();
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (shown.size() + 1 == maxLines_) {
            // The last line shows what is left of its paragraph, shortened when it is too
            // long or when more paragraphs follow.
            const QFontMetricsF metrics(font());
            const int end = text.indexOf(QChar::LineSeparator, line.textStart());
            const QString paragraph =
                text.mid(line.textStart(), end < 0 ? -1 : end - line.textStart());
            if (metrics.horizontalAdvance(paragraph) > width)
                shown.append(metrics.elidedText(paragraph, Qt::ElideRight, width));
            else if (end >= 0)
                shown.append(metrics.elidedText(paragraph + QStringLiteral(" \u2026"),
                                                Qt::ElideRight, width));
            else
                shown.append(paragraph);
            break;
        }
        QString piece = text.mid(line.textStart(), line.textLength());
        piece.remove(QChar::LineSeparator);
        shown.append(piece);
    }
    layout.endLayout();
    return shown;
}

int ClampedText::heightOf(int lineCount) const {
    if (lineCount == 0)
        return 0;
    const qreal spacing = QFontMetricsF(font()).height();
    return int(std::ceil(lineCount * spacing + (lineCount - 1) * lineSpacing_));
}

int ClampedText::heightForWidth(int width) const {
    return heightOf(int(shownLines(width).size()));
}

QSize ClampedText::sizeHint() const {
    const int width = std::max(this->width(), 200);
    return {width, heightForWidth(width)};
}

QSize ClampedText::minimumSizeHint() const {
    return {0, 0};
}

void ClampedText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(color().resolve(this));
    const QFontMetricsF metrics(font());
    qreal y = metrics.ascent();
    for (const QString& line : shownLines(width())) {
        painter.drawText(QPointF(0, y), line);
        y += metrics.height() + lineSpacing_;
    }
}
