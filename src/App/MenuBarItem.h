#pragma once

#include <QKeySequence>
#include <QString>
#include <optional>

#include "Settings/ProviderID.h"

// One entry of the tray menu: what it reads, how it looks and what choosing it does.
struct MenuBarItem {
    enum class Kind { action, separator, section };
    enum class Icon { none, checklist, sparkle, granted, missing };
    enum class Operation {
        none,
        continueOnboarding,
        invoke,
        chooseProvider,
        requestAccessibility,
        requestScreenRecording,
        requestMicrophone,
        openSettings,
        quit,
    };

    Kind kind = Kind::action;
    QString text;
    Icon icon = Icon::none;
    bool enabled = true;
    // Shown when pointed at: why an item that is off is off.
    QString toolTip;
    bool checkable = false;
    bool checked = false;
    // The key that chooses it in the open menu, and how the menu shows its key (also one that
    // works everywhere and is not the menu's to match).
    QKeySequence key;
    QString keyText;
    Operation operation = Operation::none;
    std::optional<ProviderID> provider;

    bool operator==(const MenuBarItem&) const = default;
};
