#pragma once

#include <QObject>

class PermissionsManager;
class ProviderSetupServices;
class ProviderStatusStore;
class SettingsStore;
class QWidget;

namespace GlobalShortcuts {
class NamedShortcuts;
}

namespace Platform {
class Clock;
class UrlOpener;
}  // namespace Platform

// What the onboarding needs of the application: its stores, the link opener and the one
// operation that ends the onboarding. The application core implements it; tests use a fake.
// Main thread only.
class OnboardingCoordinator : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~OnboardingCoordinator() override = default;

    virtual SettingsStore& settings() = 0;
    virtual PermissionsManager& permissions() = 0;
    virtual ProviderStatusStore& providers() = 0;
    // Installing and signing in to the AI tools, and the states the cards show.
    virtual ProviderSetupServices& providerSetup() = 0;
    virtual Platform::Clock& clock() = 0;
    virtual GlobalShortcuts::NamedShortcuts& shortcuts() = 0;
    virtual Platform::UrlOpener& urlOpener() = 0;
    // The warning when other programs use the main shortcut; none when there is nothing to
    // warn about.
    virtual QWidget* createShortcutConflictNotice() { return nullptr; }
    // Marks the onboarding as done and closes its window.
    virtual void finishOnboarding() = 0;
};
