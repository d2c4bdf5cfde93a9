#include "GlobalShortcuts/Strings.h"

#include <QCoreApplication>
#include <cstring>

namespace GlobalShortcuts::Strings {

namespace {

struct Entry {
    const char* key;
    const char* text;
};

constexpr Entry entries[] = {
    {"record_shortcut", QT_TRANSLATE_NOOP("GlobalShortcuts", "Kürzel aufnehmen")},
    {"press_shortcut", QT_TRANSLATE_NOOP("GlobalShortcuts", "Kürzel drücken")},
    {"keyboard_shortcut_used_by_menu_item",
     QT_TRANSLATE_NOOP("GlobalShortcuts",
                       "Dieses Tastenkürzel wird schon vom Menüeintrag „%1“ verwendet.")},
    {"keyboard_shortcut_used_by_system",
     QT_TRANSLATE_NOOP("GlobalShortcuts",
                       "Dieses Tastenkürzel wird schon vom System oder einem anderen Programm "
                       "verwendet.")},
    {"keyboard_shortcuts_can_be_changed",
     QT_TRANSLATE_NOOP("GlobalShortcuts",
                       "Die meisten Tastenkürzel lassen sich in den Einstellungen deiner "
                       "Arbeitsumgebung ändern.")},
    {"ok", QT_TRANSLATE_NOOP("GlobalShortcuts", "OK")},
    {"force_use_shortcut", QT_TRANSLATE_NOOP("GlobalShortcuts", "Trotzdem verwenden")},
    {"keyboard_shortcut_disallowed",
     QT_TRANSLATE_NOOP("GlobalShortcuts", "Dieses Tastenkürzel ist nicht erlaubt.")},
    {"space_key", QT_TRANSLATE_NOOP("GlobalShortcuts", "Leertaste")},
};

}  // namespace

QString text(const char* key) {
    for (const Entry& entry : entries) {
        if (std::strcmp(entry.key, key) == 0)
            return QCoreApplication::translate("GlobalShortcuts", entry.text);
    }
    return QString::fromUtf8(key);
}

}  // namespace GlobalShortcuts::Strings
