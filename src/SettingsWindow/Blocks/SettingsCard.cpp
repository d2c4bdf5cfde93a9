#include "SettingsWindow/Blocks/SettingsCard.h"

#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"

namespace {

constexpr qreal radius = 12;
// Dividers start this far in from the card's left edge and run to its right edge.
constexpr qreal dividerInset = 14;

}  // namespace

SettingsCard::SettingsCard(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

void SettingsCard::addRow(QWidget* row) {
    rows_.append(row);
    layout_->addWidget(row);
}

void SettingsCard::insertRow(qsizetype index, QWidget* row) {
    index = std::clamp<qsizetype>(index, 0, rows_.size());
    rows_.insert(index, row);
    layout_->insertWidget(int(index), row);
}

void SettingsCard::removeRow(QWidget* row) {
    if (!rows_.removeOne(row))
        return;
    row->hide();
    layout_->removeWidget(row);
    row->deleteLater();
}

QList<int> SettingsCard::dividerPositions() const {
    QList<int> positions;
    bool first = true;
    for (const QWidget* row : rows_) {
        if (row->isHidden())
            continue;
        if (!first)
            positions.append(row->y());
        first = false;
    }
    return positions;
}

void SettingsCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    RoundedBox::fill(painter, box, radius, DS::Palette::card.resolve(this));
    const QColor separator = DS::Palette::separator.resolve(this);
    for (const int y : dividerPositions())
        painter.fillRect(QRectF(dividerInset, y, box.width() - dividerInset, 1), separator);
    RoundedBox::strokeInside(painter, box, radius, DS::Palette::stroke.resolve(this), 0.5);
}
