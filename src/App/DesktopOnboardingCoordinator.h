#pragma once

#include <functional>

#include "App/ShortcutConflicts.h"
#include "Onboarding/OnboardingCoordinator.h"

// The onboarding's view of the running program: the stores it already holds, the setup flow
// of the AI tools, the link opener, the conflict warning and the end of the onboarding.
class DesktopOnboardingCoordinator final : public OnboardingCoordinator {
    Q_OBJECT

public:
    struct Services {
        SettingsStore& settings;
        PermissionsManager& permissions;
        ProviderStatusStore& providers;
        ProviderSetupServices& providerSetup;
        Platform::Clock& clock;
        Platform::UrlOpener& urlOpener;
        ShortcutConflicts::Services conflicts;
        // Marks the onboarding as done and closes its window.
        std::function<void()> finish;
    };

    explicit DesktopOnboardingCoordinator(Services services, QObject* parent = nullptr);

    SettingsStore& settings() override { return s_.settings; }
    PermissionsManager& permissions() override { return s_.permissions; }
    ProviderStatusStore& providers() override { return s_.providers; }
    ProviderSetupServices& providerSetup() override { return s_.providerSetup; }
    Platform::Clock& clock() override { return s_.clock; }
    GlobalShortcuts::NamedShortcuts& shortcuts() override { return s_.conflicts.shortcuts; }
    Platform::UrlOpener& urlOpener() override { return s_.urlOpener; }
    QWidget* createShortcutConflictNotice() override;
    void finishOnboarding() override;

private:
    Services s_;
};
