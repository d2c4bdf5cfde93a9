#pragma once

#include <QLineEdit>

// A one-line field bound to a text setting. Every edit is reported at once (`edited`);
// showing the stored value again leaves the cursor and the undo history alone when the text
// is already the same, so the field never echoes a value back as an edit.
class SettingsTextField : public QLineEdit {
    Q_OBJECT

public:
    SettingsTextField(const QString& placeholder, int width, QWidget* parent = nullptr);

    void setValue(const QString& value);

signals:
    void edited(const QString& text);
};
