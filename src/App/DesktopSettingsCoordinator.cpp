#include "App/DesktopSettingsCoordinator.h"

#include "App/AppCoordinator.h"
#include "App/ShortcutConflictNotice.h"

DesktopSettingsCoordinator::DesktopSettingsCoordinator(Services services, QObject* parent)
    : SettingsCoordinator(parent), s_(services) {}

QWidget* DesktopSettingsCoordinator::createShortcutConflictNotice() {
    // Its recorder keeps the dictate-only shortcut apart, as every recorder of the main one.
    return new ShortcutConflictNotice(s_.conflicts, AppCoordinator::invokeAssistant(),
                                      AppCoordinator::dictateOnly());
}
