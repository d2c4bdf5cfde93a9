#include "Design/TrailingLayout.h"

#include <QWidget>
#include <algorithm>

namespace {

// A wrapping item's minimum height is the one at its narrowest: only its height at `width`
// counts.
int heightAt(const QLayoutItem* item, int width) {
    if (item->hasHeightForWidth())
        return item->heightForWidth(width);
    return std::max(item->sizeHint().height(), item->minimumSize().height());
}

}  // namespace

TrailingLayout::TrailingLayout(QWidget* parent, QWidget* leading, QWidget* trailing, int spacing)
    : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(spacing);
    addWidget(leading);
    addWidget(trailing);
}

TrailingLayout::~TrailingLayout() {
    qDeleteAll(items_);
}

void TrailingLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

QLayoutItem* TrailingLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* TrailingLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size())
        return nullptr;
    return items_.takeAt(index);
}

int TrailingLayout::spacingBetween() const {
    return std::max(spacing(), 0);
}

TrailingLayout::Placement TrailingLayout::place(int width) const {
    if (items_.size() < 2)
        return {false, width, 0};
    const QLayoutItem* leading = items_.at(0);
    const QLayoutItem* trailing = items_.at(1);
    const int gap = spacingBetween();
    const int leadingWhole = leading->sizeHint().width();
    const int trailingLeast = trailing->minimumSize().width();
    if (leadingWhole + gap + trailingLeast > width)
        return {true, width, width};
    const int trailingWanted = std::max(trailing->sizeHint().width(), trailingLeast);
    const int trailingWidth = std::min(trailingWanted, width - leadingWhole - gap);
    return {false, width - gap - trailingWidth, trailingWidth};
}

QSize TrailingLayout::sizeHint() const {
    if (items_.size() < 2)
        return items_.isEmpty() ? QSize() : items_.first()->sizeHint();
    const int width =
        items_.at(0)->sizeHint().width() + spacingBetween() + items_.at(1)->sizeHint().width();
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(),
            heightForWidth(width + margins.left() + margins.right())};
}

QSize TrailingLayout::minimumSize() const {
    int width = 0;
    for (const QLayoutItem* item : items_)
        width = std::max(width, item->minimumSize().width());
    const QMargins margins = contentsMargins();
    width += margins.left() + margins.right();
    // Narrower it grows taller: the height given is its height at the width it gets.
    return {width, heightForWidth(sizeHint().width())};
}

int TrailingLayout::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const int inner = width - margins.left() - margins.right();
    const Placement placement = place(inner);
    int height = 0;
    if (items_.size() < 2) {
        height = items_.isEmpty() ? 0 : heightAt(items_.first(), inner);
    } else if (placement.stacked) {
        height = heightAt(items_.at(0), inner) + spacingBetween() + heightAt(items_.at(1), inner);
    } else {
        height = std::max(heightAt(items_.at(0), placement.leadingWidth),
                          heightAt(items_.at(1), placement.trailingWidth));
    }
    return height + margins.top() + margins.bottom();
}

void TrailingLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect inner = contentsRect();
    if (items_.isEmpty())
        return;
    if (items_.size() < 2) {
        items_.first()->setGeometry(inner);
        return;
    }
    QLayoutItem* leading = items_.at(0);
    QLayoutItem* trailing = items_.at(1);
    const Placement placement = place(inner.width());
    if (placement.stacked) {
        const int leadingHeight = heightAt(leading, inner.width());
        leading->setGeometry({inner.left(), inner.top(), inner.width(), leadingHeight});
        trailing->setGeometry({inner.left(), inner.top() + leadingHeight + spacingBetween(),
                               inner.width(), heightAt(trailing, inner.width())});
        return;
    }
    const int leadingHeight = heightAt(leading, placement.leadingWidth);
    const int trailingHeight = heightAt(trailing, placement.trailingWidth);
    leading->setGeometry({inner.left(), inner.top() + (inner.height() - leadingHeight) / 2,
                          placement.leadingWidth, leadingHeight});
    trailing->setGeometry({inner.right() + 1 - placement.trailingWidth,
                           inner.top() + (inner.height() - trailingHeight) / 2,
                           placement.trailingWidth, trailingHeight});
}
