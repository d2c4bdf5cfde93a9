#pragma once

#include "GlobalShortcuts/Name.h"

// The program's two global shortcuts: the main one, which opens the panel (and dictates
// while held), starting as Alt+Leertaste; and the one that only dictates, with none until
// the user records one.
namespace ShortcutNames {

GlobalShortcuts::Name invokeAssistant();
GlobalShortcuts::Name dictateOnly();

}  // namespace ShortcutNames
