#include "SettingsWindow/Blocks/ValuePicker.h"

#include <QPainter>
#include <QWheelEvent>

#include "Design/Palette.h"
#include "Design/SymbolPainter.h"
#include "SettingsWindow/Blocks/ControlFrame.h"

ValuePicker::ValuePicker(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A wheel turn on the way down the page is no choice; it must not take the focus either.
    setFocusPolicy(Qt::StrongFocus);
    ControlFrame::follow(this);
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

void ValuePicker::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    // The frame comes from the colour tokens, the arrow with it: the style's own would not
    // follow the appearance.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = 10;
    const QRectF arrow(width() - 8 - side, (height() - side) / 2, side, side);
    SymbolPainter::paint(painter, QStringLiteral("chevron.down"), arrow,
                         DS::Palette::secondary.resolve(this), QFont::Bold);
}

void ValuePicker::wheelEvent(QWheelEvent* event) {
    // Left to the page: the one under the pointer scrolls on, and nothing is picked.
    event->ignore();
}
