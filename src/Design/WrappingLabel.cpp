#include "Design/WrappingLabel.h"

#include <QPainter>
#include <cmath>

#include "Design/TextPainter.h"

namespace {

// Narrower than this, a label would be a column of single letters.
constexpr int narrowest = 80;

}  // namespace

WrappingLabel::WrappingLabel(const QString& text, const QFont& font, const DS::Color& color,
                             Qt::Alignment alignment, QWidget* parent)
    : TextWidget(text, color, parent), alignment_(alignment) {
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QStringList WrappingLabel::lines() const {
    return TextPainter::wrap(font(), text(), width());
}

int WrappingLabel::heightForWidth(int width) const {
    const qsizetype count = TextPainter::wrap(font(), text(), width).size();
    return static_cast<int>(std::ceil(count * TextPainter::metrics(font()).lineSpacing));
}

QSize WrappingLabel::sizeHint() const {
    // As wide as the longest line when nothing is wrapped.
    qreal widest = 0;
    for (const QString& line : TextPainter::wrap(font(), text(), 1e6))
        widest = std::max(widest, TextPainter::advance(font(), line));
    const int width = std::max(narrowest, static_cast<int>(std::ceil(widest)));
    return {width, heightForWidth(width)};
}

QSize WrappingLabel::minimumSizeHint() const {
    return {narrowest, heightForWidth(narrowest)};
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(color().resolve(this));
    const TextPainter::Metrics metrics = TextPainter::metrics(font());
    qreal baseline = metrics.ascent;
    for (const QString& line : lines()) {
        const qreal advance = TextPainter::advance(font(), line);
        qreal x = 0;
        if (alignment_ & Qt::AlignHCenter)
            x = (width() - advance) / 2;
        else if (alignment_ & Qt::AlignRight)
            x = width() - advance;
        TextPainter::draw(painter, QPointF(x, baseline), font(), line);
        baseline += metrics.lineSpacing;
    }
}
