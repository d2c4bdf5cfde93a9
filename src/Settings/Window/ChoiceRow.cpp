#include "Settings/Window/ChoiceRow.h"

#include <QHBoxLayout>
#include <QMouseEvent>

#include "Settings/Window/RadioMark.h"

ChoiceRow::ChoiceRow(QWidget* texts, QWidget* trailing, QWidget* parent)
    : QWidget(parent), mark_(new RadioMark) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(12);
    layout->addWidget(mark_, 0, Qt::AlignVCenter);
    layout->addWidget(texts, 1, Qt::AlignVCenter);
    if (trailing)
        layout->addWidget(trailing, 0, Qt::AlignVCenter);
    setCursor(Qt::PointingHandCursor);
}

bool ChoiceRow::isSelected() const {
    return mark_->isSelected();
}

void ChoiceRow::setSelected(bool selected) {
    mark_->setSelected(selected);
}

void ChoiceRow::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ChoiceRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click && isEnabled())
        emit chosen();
}
