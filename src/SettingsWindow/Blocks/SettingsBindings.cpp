#include "SettingsWindow/Blocks/SettingsBindings.h"

#include "SettingsWindow/Blocks/SettingsTextEditor.h"
#include "SettingsWindow/Blocks/SettingsTextField.h"
#include "SettingsWindow/Blocks/SwitchToggle.h"
#include "SettingsWindow/Blocks/ValuePicker.h"
#include "Settings/SettingsStore.h"

namespace SettingsBindings {

SwitchToggle* makeSwitch(SettingsStore& store, bool AssistantSettings::*field) {
    auto* toggle = new SwitchToggle;
    toggle->setChecked(store.settings().*field);
    QObject::connect(&store, &SettingsStore::settingsChanged, toggle,
                     [toggle, &store, field] { toggle->setChecked(store.settings().*field); });
    QObject::connect(toggle, &SwitchToggle::clicked, &store,
                     [&store, field](bool on) { store.update([&](auto& s) { s.*field = on; }); });
    return toggle;
}

void bind(ValuePicker* picker, SettingsStore& store, QString AssistantSettings::*field) {
    picker->setValue(store.settings().*field);
    QObject::connect(&store, &SettingsStore::settingsChanged, picker,
                     [picker, &store, field] { picker->setValue(store.settings().*field); });
    QObject::connect(picker, &ValuePicker::picked, &store, [&store, field](const QString& value) {
        store.update([&](auto& s) { s.*field = value; });
    });
}

void bind(SettingsTextField* field, SettingsStore& store, QString AssistantSettings::*member) {
    field->setValue(store.settings().*member);
    QObject::connect(&store, &SettingsStore::settingsChanged, field,
                     [field, &store, member] { field->setValue(store.settings().*member); });
    QObject::connect(field, &SettingsTextField::edited, &store,
                     [&store, member](const QString& text) {
                         store.update([&](auto& s) { s.*member = text; });
                     });
}

void bind(SettingsTextEditor* editor, SettingsStore& store, QString AssistantSettings::*member) {
    editor->setValue(store.settings().*member);
    QObject::connect(&store, &SettingsStore::settingsChanged, editor,
                     [editor, &store, member] { editor->setValue(store.settings().*member); });
    QObject::connect(editor, &SettingsTextEditor::edited, &store,
                     [&store, member](const QString& text) {
                         store.update([&](auto& s) { s.*member = text; });
                     });
}

}  // namespace SettingsBindings
