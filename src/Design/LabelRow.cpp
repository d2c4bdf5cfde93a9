#include "Design/LabelRow.h"

#include <QPainter>
#include <algorithm>
#include <iterator>

#include "Design/Fonts.h"
#include "Design/Spinner.h"
#include "Design/SymbolPainter.h"
#include "Design/TextPainter.h"

namespace {

QFont::Weight weightOf(const QFont& font) {
    return static_cast<QFont::Weight>(font.weight());
}

}  // namespace

bool LabelRow::hasSpinner() const {
    for (const Part& part : parts_) {
        if (part.kind == Part::Kind::spinner)
            return true;
    }
    return false;
}

bool LabelRow::hasOptional() const {
    return std::any_of(parts_.begin(), parts_.end(),
                       [](const Part& part) { return part.optional; });
}

LabelRow LabelRow::essential() const {
    std::vector<Part> kept;
    std::copy_if(parts_.begin(), parts_.end(), std::back_inserter(kept),
                 [](const Part& part) { return !part.optional; });
    return LabelRow(std::move(kept), spacing_);
}

QSizeF LabelRow::partSize(const Part& part, const QFont& rowFont) const {
    const QFont font = part.font.value_or(rowFont);
    switch (part.kind) {
        case Part::Kind::text:
            return {TextPainter::advance(font, part.content), TextPainter::metrics(font).height()};
        case Part::Kind::symbol: {
            const qreal side = part.symbolSize.value_or(DS::Font::pixels(font));
            return {side, side};
        }
        case Part::Kind::spinner: {
            const qreal side = part.symbolSize.value_or(DS::Font::pixels(font));
            return {side, side};
        }
    }
    return {};
}

QSizeF LabelRow::size(const QFont& font) const {
    qreal width = 0;
    qreal height = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const QSizeF size = partSize(parts_[i], font);
        width += size.width() + (i > 0 ? spacing_ : 0);
        height = std::max(height, size.height());
    }
    return {width, height};
}

void LabelRow::paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color,
                     const QWidget* widget, Qt::Alignment alignment, double seconds) const {
    const QSizeF total = size(font);
    qreal x = rect.left();
    if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - total.width()) / 2;
    else if (alignment & Qt::AlignRight)
        x = rect.right() - total.width();
    const qreal middle = rect.center().y();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Part& part : parts_) {
        const QFont partFont = part.font.value_or(font);
        QColor partColor = part.color ? part.color->resolve(widget) : color;
        partColor.setAlphaF(partColor.alphaF() * static_cast<float>(part.opacity));
        const QSizeF size = partSize(part, font);
        switch (part.kind) {
            case Part::Kind::text: {
                const TextPainter::Metrics metrics = TextPainter::metrics(partFont);
                // The line box is centred; the baseline sits at its ascent.
                const qreal baseline = middle - metrics.height() / 2 + metrics.ascent;
                painter.setPen(partColor);
                TextPainter::draw(painter, QPointF(x, baseline), partFont, part.content);
                break;
            }
            case Part::Kind::symbol:
                SymbolPainter::paint(
                    painter, part.content,
                    QRectF(x, middle - size.height() / 2, size.width(), size.height()), partColor,
                    part.symbolWeight.value_or(weightOf(partFont)));
                break;
            case Part::Kind::spinner:
                Spinner::paintSpokes(
                    painter, QRectF(x, middle - size.height() / 2, size.width(), size.height()),
                    partColor, seconds);
                break;
        }
        x += size.width() + spacing_;
    }
    painter.restore();
}
