#include "App/ShortcutConflicts.h"

#include <QCoreApplication>
#include <QLocale>

#include "GlobalShortcuts/NamedShortcuts.h"
#include "Platform/InstalledApplications.h"
#include "Platform/InterfaceLocale.h"
#include "Platform/WindowManagerInfo.h"

namespace ShortcutConflicts {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ShortcutConflicts", text);
}

bool isAltSpace(const GlobalShortcuts::Shortcut& shortcut) {
    return shortcut.key() == GlobalShortcuts::Key::space &&
           shortcut.modifiers() == GlobalShortcuts::Modifiers(GlobalShortcuts::Modifier::Option);
}

}  // namespace

const QList<Launcher>& launchers() {
    static const QList<Launcher> table{
        {QStringLiteral("org.kde.krunner.desktop"), QStringLiteral("KRunner")},
        {QStringLiteral("krunner.desktop"), QStringLiteral("KRunner")},
        {QStringLiteral("ulauncher.desktop"), QStringLiteral("Ulauncher")},
        {QStringLiteral("albert.desktop"), QStringLiteral("Albert")},
        {QStringLiteral("synapse.desktop"), QStringLiteral("Synapse")},
    };
    return table;
}

QStringList conflicts(const std::optional<GlobalShortcuts::Shortcut>& mainShortcut, bool refused,
                      const Platform::InstalledApplications& applications,
                      Platform::WindowManagerInfo& windowManager) {
    QStringList names;
    if (!mainShortcut)
        return names;
    if (isAltSpace(*mainShortcut))
        for (const Launcher& launcher : launchers())
            if (!names.contains(launcher.name) && applications.isInstalled(launcher.desktopFileId))
                names << launcher.name;
    if (!refused)
        return names;
    // Someone holds the combination for certain; the window manager is the usual one.
    if (const auto name = windowManager.name(); name && !names.contains(*name))
        names << *name;
    if (names.isEmpty())
        names << tr("Ein anderes Programm");
    return names;
}

bool isRefused(GlobalShortcuts::NamedShortcuts& shortcuts, const GlobalShortcuts::Name& name) {
    const auto stored = shortcuts.getShortcut(name);
    // A combination we hold ourselves is not reserved; one nobody asked for yet is not refused.
    return stored && !shortcuts.isEnabled(name) && shortcuts.registry().isSystemShortcut(*stored);
}

QStringList current(const Services& services, const GlobalShortcuts::Name& main) {
    return conflicts(services.shortcuts.getShortcut(main), isRefused(services.shortcuts, main),
                     services.applications, services.windowManager);
}

std::optional<GlobalShortcuts::Shortcut> freeSuggestion(GlobalShortcuts::NamedShortcuts& shortcuts,
                                                        const GlobalShortcuts::Name& main,
                                                        const GlobalShortcuts::Name& dictateOnly) {
    using GlobalShortcuts::Key;
    using GlobalShortcuts::Modifier;
    using GlobalShortcuts::Shortcut;
    // Alt+Umschalt+Leertaste first: the launchers leave it alone and it is one key more than
    // the usual Alt+Leertaste. A suggestion that another program holds would only move the
    // problem, so each one is asked for at the server.
    const Shortcut candidates[] = {
        Shortcut(Key::space, Modifier::Option | Modifier::Shift),
        Shortcut(Key::space, Modifier::Control | Modifier::Option),
        Shortcut(Key::space, Modifier::Control | Modifier::Shift),
    };
    const auto mainShortcut = shortcuts.getShortcut(main);
    const auto dictateOnlyShortcut = shortcuts.getShortcut(dictateOnly);
    for (const Shortcut& candidate : candidates) {
        if (candidate == mainShortcut || candidate == dictateOnlyShortcut)
            continue;
        if (!shortcuts.registry().isSystemShortcut(candidate))
            return candidate;
    }
    return std::nullopt;
}

QString message(const QStringList& names, const QString& shortcutText,
                const std::optional<QString>& suggestion) {
    const QString joined = InterfaceLocale::locale().createSeparatedList(names);
    if (!suggestion)
        return tr("%1 nutzt meist ebenfalls %2. Dann reagiert Tavrin nicht. Wähle am besten "
                  "einen anderen Kurzbefehl.")
            .arg(joined, shortcutText);
    return tr("%1 nutzt meist ebenfalls %2. Dann reagiert Tavrin nicht. Wähle am besten einen "
              "anderen Kurzbefehl, z. B. %3.")
        .arg(joined, shortcutText, *suggestion);
}

void keepDictateOnlyApart(GlobalShortcuts::NamedShortcuts& shortcuts,
                          const GlobalShortcuts::Name& dictateOnly,
                          const std::optional<GlobalShortcuts::Shortcut>& recorded) {
    if (recorded && shortcuts.getShortcut(dictateOnly) == recorded)
        shortcuts.setShortcut(std::nullopt, dictateOnly);
}

}  // namespace ShortcutConflicts
