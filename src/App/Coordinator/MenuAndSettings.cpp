// The tray menu's operations and the ways into the settings, the onboarding and a sign-in.

#include <QCoreApplication>

#include "AI/ProviderLoginOpener.h"
#include "AI/ProviderStatusStore.h"
#include "App/AppCoordinator.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/SystemLog.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/PermissionList.h"

void AppCoordinator::manageProjects() {
    openSettings(SettingsTab::projects);
}

void AppCoordinator::openSettings(std::optional<SettingsTab> tab) {
    if (tab && s_.selectSettingsTab)
        s_.selectSettingsTab(*tab);
    dismiss();
    s_.providers.refresh(s_.settings.settings());
    if (s_.showSettings)
        s_.showSettings();
}

MenuBarState AppCoordinator::menuState() const {
    const AssistantSettings& settings = s_.settings.settings();
    MenuBarState state;
    state.onboardingCompleted = settings.onboardingCompleted;
    // Only a shortcut the desktop let us have: one another program holds does nothing.
    const auto shortcut = s_.shortcuts.getShortcut(invokeAssistant());
    if (shortcut && s_.shortcuts.isEnabled(invokeAssistant())) {
        const QString text = s_.shortcuts.describe(*shortcut);
        if (!text.isEmpty())
            state.mainShortcut = text;
    }
    state.provider = settings.provider;
    for (const ProviderID id : {ProviderID::claudeCLI, ProviderID::codexCLI})
        state.providerStatus[id] = s_.providers.state(id).shortText();
    state.accessibility = s_.permissions.accessibility();
    state.screenRecording = s_.permissions.screenRecording();
    state.microphone = s_.permissions.microphone() && s_.permissions.speech();
    using Permission = PermissionsManager::Permission;
    if (!s_.permissions.canRequest(Permission::accessibility))
        state.accessibilityObstacle =
            PermissionList::reasons(s_.permissions, Permission::accessibility);
    if (!s_.permissions.canRequest(Permission::microphone))
        state.microphoneObstacle = PermissionList::reasons(s_.permissions, Permission::microphone);
    return state;
}

void AppCoordinator::refreshStatus() {
    s_.permissions.refresh();
    s_.providers.refresh(s_.settings.settings());
}

void AppCoordinator::showOnboarding() {
    dismiss();
    if (s_.showOnboarding)
        s_.showOnboarding();
}

void AppCoordinator::selectProvider(ProviderID provider) {
    // Choosing the tool already chosen writes nothing.
    if (s_.settings.settings().provider == provider)
        return;
    s_.settings.update([provider](AssistantSettings& s) { s.provider = provider; });
}

void AppCoordinator::requestAccessibility() {
    if (!s_.permissions.accessibility())
        s_.permissions.requestAccessibility();
}

void AppCoordinator::requestScreenRecording() {
    if (!s_.permissions.screenRecording())
        s_.permissions.requestScreenRecording();
}

void AppCoordinator::requestMicrophone() {
    if (!s_.permissions.microphone() || !s_.permissions.speech())
        s_.permissions.requestMicrophone();
}

void AppCoordinator::quit() {
    if (s_.quit)
        s_.quit();
    else
        QCoreApplication::quit();
}

void AppCoordinator::finishOnboarding() {
    // One field of the settings as they are now: a copy taken earlier would undo whatever
    // the user changed meanwhile.
    s_.settings.update([](AssistantSettings& s) { s.onboardingCompleted = true; });
}

void AppCoordinator::openLogin(ProviderID provider) {
    if (s_.loginOpener)
        s_.loginOpener->openLogin(provider);
}
