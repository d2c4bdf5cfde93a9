#pragma once

#include <functional>

#include "GlobalShortcuts/EventType.h"
#include "GlobalShortcuts/Name.h"

class QObject;
class QShortcut;

namespace GlobalShortcuts {

class NamedShortcuts;

namespace ViewModifiers {

// Calls `perform` with every key-down and key-up of the name for as long as `owner` lives.
void onKeyboardShortcut(QObject* owner, NamedShortcuts& shortcuts, const Name& name,
                        std::function<void(EventType)> perform);
// The same for one kind of event only.
void onKeyboardShortcut(QObject* owner, NamedShortcuts& shortcuts, const Name& name, EventType type,
                        std::function<void()> perform);
// Gives the QShortcut the name's stored combination, follows its changes and switches it
// off while any recorder records.
void globalKeyboardShortcut(QShortcut* shortcut, NamedShortcuts& shortcuts, const Name& name);

}  // namespace ViewModifiers

}  // namespace GlobalShortcuts
