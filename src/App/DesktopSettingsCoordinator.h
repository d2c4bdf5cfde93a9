#pragma once

#include <functional>

#include "App/ShortcutConflicts.h"
#include "Platform/linux/DialogFolderChooser.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"

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
        MemoryStore& memory;
        ShortcutConflicts::Services conflicts;
        // The application's style learning; `done` runs once the run has ended.
        std::function<void(StyleLearned done)> learnStyle;
        // The speech models that would serve a dictation-language setting.
        std::function<Recognition(const QString& dictationLanguage)> recognition;
    };

    explicit DesktopSettingsCoordinator(Services services, QObject* parent = nullptr);

    SettingsStore& settings() override { return s_.settings; }
    PermissionsManager& permissions() override { return s_.permissions; }
    ProviderStatusStore& providers() override { return s_.providers; }
    ProviderSetupServices& providerSetup() override { return s_.providerSetup; }
    Platform::Clock& clock() override { return s_.clock; }
    GlobalShortcuts::NamedShortcuts& shortcuts() override { return s_.conflicts.shortcuts; }
    MemoryStore& memory() override { return s_.memory; }
    Platform::FolderChooser& folderChooser() override { return folderChooser_; }
    void learnStyleNow(StyleLearned done) override;
    Recognition recognition(const QString& dictationLanguage) const override;
    QWidget* createShortcutConflictNotice() override;

    // The warning under the main shortcut, for the settings and the onboarding alike: its
    // recorder keeps the dictate-only shortcut apart, as every recorder of the main one.
    static QWidget* conflictNotice(const ShortcutConflicts::Services& services);

private:
    Services s_;
    Platform::DialogFolderChooser folderChooser_;
};
