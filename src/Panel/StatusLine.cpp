#include "Panel/StatusLine.h"

#include <QHBoxLayout>

#include "Design/ElidedLabel.h"
#include "Design/Fonts.h"

namespace StatusLine {

QHBoxLayout* setUp(QWidget* widget) {
    widget->setFixedHeight(20);
    widget->setFont(DS::Font::hint());
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(6);
    return layout;
}

ElidedLabel* text(const QString& text, QWidget* parent, const DS::Color& color) {
    auto* label = new ElidedLabel(text, parent);
    label->setFont(DS::Font::hint());
    label->setColor(color);
    fit(label);
    return label;
}

void fit(ElidedLabel* label) {
    // Short texts ("·", "Stoppen") are never cut, and take no more room than they need.
    label->setFixedWidth(label->sizeHint().width());
}

void addAccessory(QHBoxLayout* layout, const Accessory& make, QWidget* parent) {
    if (!make)
        return;
    if (QWidget* widget = make(parent))
        layout->addWidget(widget, 0, Qt::AlignVCenter);
}

}  // namespace StatusLine
