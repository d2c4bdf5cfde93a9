#pragma once

#include <QTemporaryDir>
#include <map>
#include <memory>

#include "AI/ProviderSetupServices.h"
#include "AI/ProviderStatusStore.h"
#include "Onboarding/OnboardingCoordinator.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUrlOpener.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"
#include "support/FakePermissions.h"
#include "support/FakeShortcuts.h"
#include "support/InertProviderSetup.h"

// Tool phases and states a test sets; installing and signing in never start.
class SetStates final : public InertProviderSetup {
public:
    using State = ProviderStatusStore::State;

    ProviderSetup::Phase phase(ProviderID provider) const override {
        const auto found = phases.find(provider);
        return found == phases.end() ? ProviderSetup::Phase::idle() : found->second;
    }
    State state(ProviderID provider) const override {
        const auto found = states.find(provider);
        return found == states.end() ? State{} : found->second;
    }
    void set(ProviderID provider, State state) {
        states[provider] = std::move(state);
        emit changed();
    }
    void set(ProviderID provider, ProviderSetup::Phase phase, State state) {
        phases[provider] = std::move(phase);
        set(provider, std::move(state));
    }

    std::map<ProviderID, ProviderSetup::Phase> phases;
    std::map<ProviderID, State> states;
};

class FakeOnboardingCoordinator final : public OnboardingCoordinator, public FakePermissions {
public:
    FakeOnboardingCoordinator() {
        store = std::make_unique<SettingsStore>(dir.path(),
                                                SettingsStore::Services{loginItem, log, clock_});
        // Tools that are not there: a refresh finds nothing and changes no state the test set.
        store->update([](auto& s) {
            s.claudePath = QStringLiteral("/nonexistent/claude");
            s.codexPath = QStringLiteral("/nonexistent/codex");
        });
        keys.shortcuts.create(ShortcutNames::invokeAssistant());
    }

    SettingsStore& settings() override { return *store; }
    PermissionsManager& permissions() override { return permissionsManager; }
    ProviderStatusStore& providers() override { return status; }
    ProviderSetupServices& providerSetup() override { return setup; }
    Platform::Clock& clock() override { return clock_; }
    GlobalShortcuts::NamedShortcuts& shortcuts() override { return keys.shortcuts; }
    Platform::UrlOpener& urlOpener() override { return opener; }
    void finishOnboarding() override {
        ++finished;
        store->update([](auto& s) { s.onboardingCompleted = true; });
        if (controller)
            controller->close();
    }

    QTemporaryDir dir;
    Platform::FakeClock clock_;
    Platform::FakeSystemLog log;
    Platform::FakeLoginItem loginItem;
    ProviderStatusStore status{clock_};
    SetStates setup;
    FakeShortcuts keys;
    Platform::FakeUrlOpener opener;
    std::unique_ptr<SettingsStore> store;
    OnboardingWindowController* controller = nullptr;
    int finished = 0;
};
