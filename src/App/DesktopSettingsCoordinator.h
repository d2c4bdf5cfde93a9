#pragma once

#include "App/ShortcutConflicts.h"
#include "Settings/Tabs/SettingsCoordinator.h"

// The settings window's view of the running program: the stores the program already holds,
// the setup flow of the AI tools and the conflict warning under the main shortcut.
class DesktopSettingsCoordinator final : public SettingsCoordinator {
    Q_OBJECT

public:
    struct Services {
        SettingsStore& settings;
        PermissionsManager& permissions;
        ProviderStatusStore& providers;
        ProviderSetupServices& providerSetup;
        Platform::Clock& clock;
        ShortcutConflicts::Services conflicts;
    };

    explicit DesktopSettingsCoordinator(Services services, QObject* parent = nullptr);

    SettingsStore& settings() override { return s_.settings; }
    PermissionsManager& permissions() override { return s_.permissions; }
    ProviderStatusStore& providers() override { return s_.providers; }
    ProviderSetupServices& providerSetup() override { return s_.providerSetup; }
    Platform::Clock& clock() override { return s_.clock; }
    GlobalShortcuts::NamedShortcuts& shortcuts() override { return s_.conflicts.shortcuts; }
    QWidget* createShortcutConflictNotice() override;

private:
    Services s_;
};
