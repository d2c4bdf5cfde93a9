#pragma once

#include <optional>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

class QAction;
class QMenu;

namespace GlobalShortcuts {

class NamedShortcuts;

namespace MenuItemShortcut {

// Shows the combination as the action's shortcut (none: no shortcut).
void setShortcut(QAction* action, const std::optional<Shortcut>& shortcut,
                 const NamedShortcuts& shortcuts);
// Makes the action show the name's stored combination from now on and follow every change
// of it; none unbinds. A second binding replaces the first.
void setShortcut(QAction* action, const std::optional<Name>& name, NamedShortcuts& shortcuts);
// The first item of the menu, its submenus searched depth-first in item order, whose
// shortcut is the combination.
QAction* itemWithMatchingShortcut(const QMenu& menu, const Shortcut& shortcut,
                                  const NamedShortcuts& shortcuts);

}  // namespace MenuItemShortcut

}  // namespace GlobalShortcuts
