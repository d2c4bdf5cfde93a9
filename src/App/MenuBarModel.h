#pragma once

#include <QList>

#include "App/MenuBarItem.h"
#include "App/MenuBarState.h"

class MenuBarOperations;

// The tray menu as items: built anew from the state each time the menu opens or the state
// changes, so that it always shows the moment's permissions and sign-in states.
namespace MenuBarModel {

QList<MenuBarItem> items(const MenuBarState& state);
// Runs what choosing `item` means. The chosen provider and a granted permission do nothing.
void perform(const MenuBarItem& item, MenuBarOperations& operations);

}  // namespace MenuBarModel
