#pragma once

#include "Settings/AssistantSettings.h"

class SettingsStore;
class SettingsTextEditor;
class SettingsTextField;
class SwitchToggle;
class ValuePicker;

// Controls bound to one field of the settings: they show the stored value and follow every
// change of it, and write the user's edits through the store, which saves at once.
namespace SettingsBindings {

SwitchToggle* makeSwitch(SettingsStore& store, bool AssistantSettings::*field);
void bind(ValuePicker* picker, SettingsStore& store, QString AssistantSettings::*field);
void bind(SettingsTextField* field, SettingsStore& store, QString AssistantSettings::*member);

// Every edit is written at once; a change made elsewhere is shown.
void bind(SettingsTextEditor* editor, SettingsStore& store, QString AssistantSettings::*member);
}  // namespace SettingsBindings
