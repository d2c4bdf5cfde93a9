#include "Settings/Blocks/ValuePicker.h"

ValuePicker::ValuePicker(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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
