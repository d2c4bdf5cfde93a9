#include "SettingsWindow/Blocks/ChoiceRow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "Design/Palette.h"
#include "Design/RoundedBox.h"
#include "SettingsWindow/Blocks/RadioMark.h"

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
    setFocusPolicy(Qt::TabFocus);
}

bool ChoiceRow::isSelected() const {
    return mark_->isSelected();
}

void ChoiceRow::setSelected(bool selected) {
    mark_->setSelected(selected);
}

void ChoiceRow::paintEvent(QPaintEvent*) {
    // Rows take the focus only from the keyboard; show where it is.
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedBox::strokeInside(painter, QRectF(rect()).adjusted(3, 3, -3, -3), 8,
                             DS::Palette::accent.resolve(this), 1.5);
}

void ChoiceRow::keyPressEvent(QKeyEvent* event) {
    // The keyboard chooses the row the way a click does.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        emit chosen();
        return;
    }
    QWidget::keyPressEvent(event);
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
