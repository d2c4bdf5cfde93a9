#include "SettingsWindow/Blocks/ValuePicker.h"

#include <QWheelEvent>

ValuePicker::ValuePicker(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A wheel turn on the way down the page is no choice; it must not take the focus either.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QVariant data = itemData(index);
        if (data.isValid())
            emit picked(data.toString());
    });
}

void ValuePicker::addValue(const QString& label, const QString& value) {
    addItem(label, value);
}

void ValuePicker::addDivider() {
    insertSeparator(count());
}

std::optional<QString> ValuePicker::value() const {
    if (currentIndex() < 0)
        return std::nullopt;
    return currentData().toString();
}

void ValuePicker::setValue(const QString& value) {
    // Separators carry no data, so they never match.
    const int index = findData(value);
    if (index != currentIndex())
        setCurrentIndex(index);
}

void ValuePicker::wheelEvent(QWheelEvent* event) {
    // Left to the page: the one under the pointer scrolls on, and nothing is picked.
    event->ignore();
}
