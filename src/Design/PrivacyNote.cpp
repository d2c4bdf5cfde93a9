#include "Design/PrivacyNote.h"

#include <QPainter>
#include <cmath>

#include "Design/Fonts.h"
#include "Design/Palette.h"
#include "Design/SymbolPainter.h"
#include "Design/TextPainter.h"

namespace {

constexpr qreal maximumCentredWidth = 380;
constexpr qreal lockSize = 9.5;
constexpr qreal lockSpacing = 6;

}  // namespace

struct PrivacyNote::Layout {
    struct Line {
        QString text;
        qreal width;
    };
    std::vector<Line> lines;
    qreal textWidth = 0;  // the widest line
    qreal lineHeight = 0;
    qreal ascent = 0;
};

PrivacyNote::PrivacyNote(Qt::Alignment alignment, QWidget* parent)
    : QWidget(parent), centred_(alignment & Qt::AlignHCenter) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (centred_)
        setMaximumWidth(static_cast<int>(maximumCentredWidth));
    setFont(DS::Font::footnote());
    setAccessibleName(text());
}

QString PrivacyNote::text() {
    return tr("Bildschirm und Text gehen nur, wenn du Tavrin aufrufst, an deine KI – nie an uns.");
}

PrivacyNote::Layout PrivacyNote::layout(qreal width) const {
    Layout result;
    const TextPainter::Metrics metrics = TextPainter::metrics(font());
    result.lineHeight = metrics.lineSpacing;
    result.ascent = metrics.ascent;
    const qreal available = std::max<qreal>(1, width - lockSize - lockSpacing);
    for (const QString& line : TextPainter::wrap(font(), text(), available)) {
        const qreal lineWidth = TextPainter::advance(font(), line);
        result.lines.push_back({line, lineWidth});
        result.textWidth = std::max(result.textWidth, lineWidth);
    }
    return result;
}

int PrivacyNote::heightForWidth(int width) const {
    const Layout l = layout(width);
    return static_cast<int>(std::ceil(l.lines.size() * l.lineHeight));
}

QSize PrivacyNote::sizeHint() const {
    const qreal oneLine = TextPainter::advance(font(), text()) + lockSize + lockSpacing;
    const int width =
        static_cast<int>(std::ceil(centred_ ? std::min(oneLine, maximumCentredWidth) : oneLine));
    return {width, heightForWidth(width)};
}

QSize PrivacyNote::minimumSizeHint() const {
    return {120, heightForWidth(120)};
}

void PrivacyNote::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Layout l = layout(width());
    const qreal stackWidth = lockSize + lockSpacing + l.textWidth;
    const qreal left = centred_ ? (width() - stackWidth) / 2 : 0;
    const qreal textLeft = left + lockSize + lockSpacing;
    const QColor color = DS::Palette::tertiary.resolve(this);

    // The lock stands on the first line's baseline, like a glyph of that line.
    const qreal baseline = l.ascent;
    SymbolPainter::paint(painter, QStringLiteral("lock.fill"),
                         QRectF(left, baseline - lockSize + lockSize * 0.08, lockSize, lockSize),
                         color, QFont::DemiBold);

    painter.setPen(color);
    for (std::size_t i = 0; i < l.lines.size(); ++i) {
        const Layout::Line& line = l.lines[i];
        const qreal x = centred_ ? textLeft + (l.textWidth - line.width) / 2 : textLeft;
        TextPainter::draw(painter, QPointF(x, baseline + i * l.lineHeight), font(), line.text);
    }
}
