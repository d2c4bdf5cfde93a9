#include "SettingsWindow/Blocks/SettingsTextField.h"

#include "Design/Fonts.h"

SettingsTextField::SettingsTextField(const QString& placeholder, int width, QWidget* parent)
    : QLineEdit(parent) {
    setPlaceholderText(placeholder);
    setFixedWidth(width);
    setFont(DS::Font::body());
    connect(this, &QLineEdit::textEdited, this, &SettingsTextField::edited);
}

void SettingsTextField::setValue(const QString& value) {
    if (text() != value)
        setText(value);
}
