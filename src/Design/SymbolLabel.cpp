#include "Design/SymbolLabel.h"

#include <QPainter>
#include <cmath>

SymbolLabel::SymbolLabel(const QString& symbol, const QString& text, const QFont& font,
                         const DS::Color& color, QWidget* parent)
    : TextWidget(text, color, parent), symbol_(symbol) {
    setFont(font);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolLabel::setSymbolStyle(qreal size, QFont::Weight weight) {
    symbolSize_ = size;
    symbolWeight_ = weight;
    updateGeometry();
    update();
}

LabelRow SymbolLabel::row() const {
    LabelRow::Part symbol = LabelRow::symbol(symbol_);
    symbol.symbolSize = symbolSize_;
    symbol.symbolWeight = symbolWeight_;
    std::vector<LabelRow::Part> parts{symbol};
    if (!text().isEmpty())
        parts.push_back(LabelRow::text(text()));
    return LabelRow(parts, 5);
}

QSize SymbolLabel::sizeHint() const {
    const QSizeF size = row().size(font());
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void SymbolLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    row().paint(painter, rect(), font(), color().resolve(this), this,
                Qt::AlignLeft | Qt::AlignVCenter);
}
