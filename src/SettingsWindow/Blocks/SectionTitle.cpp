#include "SettingsWindow/Blocks/SectionTitle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"

namespace {

constexpr qreal titlePadding = 4;
constexpr qreal topPadding = 14;
constexpr qreal bottomPadding = 6;
constexpr qreal hintSpacing = 8;

QFont titleFont() {
    return DS::Font::system(12.5, QFont::DemiBold);
}

}  // namespace

SectionTitle::SectionTitle(const QString& title, std::optional<QString> hint, QWidget* parent)
    : QWidget(parent), title_(title), hint_(std::move(hint)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SectionTitle::sizeHint() const {
    const QFontMetricsF title(titleFont());
    const QFontMetricsF hint(DS::Font::footnote());
    qreal width = title.horizontalAdvance(title_);
    qreal ascent = title.ascent();
    qreal descent = title.descent();
    if (hint_) {
        width += hintSpacing + hint.horizontalAdvance(*hint_);
        ascent = qMax(ascent, hint.ascent());
        descent = qMax(descent, hint.descent());
    }
    return {static_cast<int>(std::ceil(width + 2 * titlePadding)),
            static_cast<int>(std::ceil(topPadding + ascent + descent + bottomPadding))};
}

void SectionTitle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont title = titleFont();
    const QFont hint = DS::Font::footnote();
    const QFontMetricsF titleMetrics(title);
    const QFontMetricsF hintMetrics(hint);
    // Both texts stand on the first baseline.
    qreal ascent = titleMetrics.ascent();
    if (hint_)
        ascent = qMax(ascent, hintMetrics.ascent());
    const qreal baseline = topPadding + ascent;

    painter.setFont(title);
    painter.setPen(DS::Palette::secondary.resolve(this));
    painter.drawText(QPointF(titlePadding, baseline), title_);
    if (!hint_)
        return;
    painter.setFont(hint);
    painter.setPen(DS::Palette::tertiary.resolve(this));
    painter.drawText(
        QPointF(titlePadding + titleMetrics.horizontalAdvance(title_) + hintSpacing, baseline),
        *hint_);
}
