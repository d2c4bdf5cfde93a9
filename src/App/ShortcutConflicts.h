#pragma once

#include <QStringList>
#include <optional>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {
class NamedShortcuts;
}
namespace Platform {
class InstalledApplications;
class WindowManagerInfo;
}  // namespace Platform

// Whether the main shortcut can reach Tavrin at all. Alt+Space is also the default of the
// common launchers, and window managers keep it for their window menu; a launcher that holds
// it, or any program that held the combination when we asked for it, leaves Tavrin deaf.
namespace ShortcutConflicts {

struct Services {
    GlobalShortcuts::NamedShortcuts& shortcuts;
    Platform::InstalledApplications& applications;
    Platform::WindowManagerInfo& windowManager;
};

struct Launcher {
    QString desktopFileId;
    QString name;
};

// The launchers that take Alt+Space by default, in the order they are named.
const QList<Launcher>& launchers();

// The programs that conflict with `mainShortcut`: the installed launchers when it is
// Alt+Space alone, and, when the system refused it, the window manager too (or, with no name
// for it, "another program"). Each name once; empty when there is no conflict.
QStringList conflicts(const std::optional<GlobalShortcuts::Shortcut>& mainShortcut, bool refused,
                      const Platform::InstalledApplications& applications,
                      Platform::WindowManagerInfo& windowManager);
// The same for the stored main shortcut, computed anew on each call.
QStringList current(const Services& services, const GlobalShortcuts::Name& main);
// Whether another program holds the stored combination of `name`, so that it never reaches us.
bool isRefused(GlobalShortcuts::NamedShortcuts& shortcuts, const GlobalShortcuts::Name& name);

// A combination to suggest instead of the main shortcut: the first of a few Space
// combinations with two modifiers that no other program holds and that is neither the main
// nor the dictate-only shortcut. None when every one of them is taken.
std::optional<GlobalShortcuts::Shortcut> freeSuggestion(GlobalShortcuts::NamedShortcuts& shortcuts,
                                                        const GlobalShortcuts::Name& main,
                                                        const GlobalShortcuts::Name& dictateOnly);

// The warning's sentence for `names` and the main shortcut's text, with the suggested
// combination's text as the example when there is one.
QString message(const QStringList& names, const QString& shortcutText,
                const std::optional<QString>& suggestion);

// The rule every recorder of the main shortcut applies after recording `recorded`: the
// dictate-only shortcut gives up that combination, since one press would otherwise run both.
void keepDictateOnlyApart(GlobalShortcuts::NamedShortcuts& shortcuts,
                          const GlobalShortcuts::Name& dictateOnly,
                          const std::optional<GlobalShortcuts::Shortcut>& recorded);

}  // namespace ShortcutConflicts
