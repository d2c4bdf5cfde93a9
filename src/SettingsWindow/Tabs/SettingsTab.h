#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "Design/Color.h"

// The tabs of the settings window, in the order the sidebar lists them. Stored and passed
// around by its raw value, which is the case name.
enum class SettingsTab {
    general,
    ai,
    knowledge,
    style,
    memory,
    projects,
    actions,
    voice,
    permissions
};

QString rawValue(SettingsTab tab);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<SettingsTab> settingsTabFromRaw(const QString& raw);
// Every tab, in sidebar order.
QList<SettingsTab> allSettingsTabs();

// What the sidebar shows for a tab: its name, the symbol on its tile and the tile's colour.
QString title(SettingsTab tab);
QString symbol(SettingsTab tab);
DS::Color color(SettingsTab tab);
