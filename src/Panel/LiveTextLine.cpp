#include "Panel/LiveTextLine.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

#include "Design/Palette.h"

namespace {

const QString kEllipsis = QStringLiteral("…");

QString oneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

}  // namespace

LiveTextLine::LiveTextLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("liveText"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void LiveTextLine::setText(const QString& settled, const QString& tentative, bool showsPrompt) {
    const QString s = oneLine(settled);
    const QString t = oneLine(tentative);
    if (s == settled_ && t == tentative_ && showsPrompt == showsPrompt_)
        return;
    settled_ = s;
    tentative_ = t;
    showsPrompt_ = showsPrompt;
    setAccessibleName(settled_ + tentative_);
    update();
}

std::pair<QString, QString> LiveTextLine::shown(qreal width) const {
    const QFontMetricsF metrics(font());
    const QString whole = settled_ + tentative_;
    if (metrics.horizontalAdvance(whole) <= width)
        return {settled_, tentative_};
    // Drop whole characters from the start until the rest fits behind the ellipsis.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, whole);
    int start = 0;
    while (start < whole.size()) {
        finder.setPosition(start);
        const int next = finder.toNextBoundary();
        start = next < 0 ? whole.size() : next;
        if (metrics.horizontalAdvance(kEllipsis + whole.mid(start)) <= width)
            break;
    }
    const int settledKept = std::max<int>(0, settled_.size() - start);
    const QString settled = kEllipsis + settled_.right(settledKept);
    const QString tentative =
        start > settled_.size() ? tentative_.mid(start - settled_.size()) : tentative_;
    return {settled, tentative};
}

QSize LiveTextLine::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {qCeil(metrics.horizontalAdvance(settled_ + tentative_)), qCeil(metrics.height())};
}

QSize LiveTextLine::minimumSizeHint() const {
    return {0, qCeil(QFontMetricsF(font()).height())};
}

void LiveTextLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetricsF metrics(font());
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    if (showsPrompt_) {
        painter.setPen(DS::Palette::tertiary.resolve(this));
        painter.drawText(QPointF(0, baseline), tr("Sprich jetzt …"));
    }
    const auto [settled, tentative] = shown(width());
    painter.setPen(DS::Palette::label.resolve(this));
    painter.drawText(QPointF(0, baseline), settled);
    painter.setPen(DS::Palette::tertiary.resolve(this));
    painter.drawText(QPointF(metrics.horizontalAdvance(settled), baseline), tentative);
}
