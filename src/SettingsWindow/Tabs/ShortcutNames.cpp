#include "SettingsWindow/Tabs/ShortcutNames.h"

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Modifiers.h"

namespace ShortcutNames {

GlobalShortcuts::Name invokeAssistant() {
    using GlobalShortcuts::Key;
    using GlobalShortcuts::Modifier;
    return GlobalShortcuts::Name(QStringLiteral("invokeAssistant"),
                                 GlobalShortcuts::Shortcut(Key::space, Modifier::Option));
}

GlobalShortcuts::Name dictateOnly() {
    return GlobalShortcuts::Name(QStringLiteral("dictateOnly"));
}

}  // namespace ShortcutNames
