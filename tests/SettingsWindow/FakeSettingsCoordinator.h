#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "AI/ProviderSetupServices.h"
#include "AI/ProviderStatusStore.h"
#include "Memory/MemoryStore.h"
#include "Platform/LoginItem.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeFolderChooser.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Projects/ProjectTools.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/SettingsCoordinator.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"
#include "support/FakePermissions.h"
#include "support/FakeShortcuts.h"
#include "support/InertProviderSetup.h"
#include "support/ScriptedAIProvider.h"

// Setup that never gets anywhere: the rows show the status store's states, unless a phase
// or a state is set for a tool (for looking at one).
class IdleProviderSetup final : public InertProviderSetup {
public:
    explicit IdleProviderSetup(ProviderStatusStore& status) : status_(status) {
        connect(&status_, &ProviderStatusStore::statesChanged, this,
                &ProviderSetupServices::changed);
    }
    ProviderSetup::Phase phase(ProviderID provider) const override {
        const auto set = phases.find(provider);
        return set == phases.end() ? ProviderSetup::Phase::idle() : set->second;
    }
    ProviderStatusStore::State state(ProviderID provider) const override {
        const auto set = states.find(provider);
        return set == states.end() ? status_.state(provider) : set->second;
    }
    void set(ProviderID provider, ProviderSetup::Phase phase, ProviderStatusStore::State state) {
        phases[provider] = std::move(phase);
        states[provider] = std::move(state);
        emit changed();
    }

    std::map<ProviderID, ProviderSetup::Phase> phases;
    std::map<ProviderID, ProviderStatusStore::State> states;

private:
    ProviderStatusStore& status_;
};

// The application as the settings window sees it, on fakes: a settings store in a temporary
// folder, permissions and time the test sets, and a scripted AI tool.
class FakeSettingsCoordinator final : public SettingsCoordinator, public FakePermissions {
public:
    // `settingsJson` is settings.json before the store loads it (none: no file yet).
    explicit FakeSettingsCoordinator(std::optional<QByteArray> settingsJson = std::nullopt,
                                     Platform::LoginItem* loginItem = nullptr)
        : loginItem_(loginItem ? *loginItem : fakeLoginItem) {
        const QString folder = dir.path() + QStringLiteral("/org.tavrin.Tavrin");
        QDir().mkpath(folder);
        if (settingsJson) {
            QFile file(folder + QStringLiteral("/settings.json"));
            file.open(QIODevice::WriteOnly);
            file.write(*settingsJson);
        }
        store = std::make_unique<SettingsStore>(dir.path(),
                                                SettingsStore::Services{loginItem_, log, clock_});
        memoryStore = std::make_unique<MemoryStore>(dir.path(), clock_);
        keys.shortcuts.create(ShortcutNames::invokeAssistant());
        keys.shortcuts.create(ShortcutNames::dictateOnly());
    }

    SettingsStore& settings() override { return *store; }
    PermissionsManager& permissions() override { return permissionsManager; }
    ProviderStatusStore& providers() override { return providerStatus; }
    ProviderSetupServices& providerSetup() override { return setup; }
    Platform::Clock& clock() override { return clock_; }
    GlobalShortcuts::NamedShortcuts& shortcuts() override {
        return realShortcuts ? *realShortcuts : keys.shortcuts;
    }
    MemoryStore& memory() override { return *memoryStore; }
    Platform::FolderChooser& folderChooser() override { return folders; }
    // The run ends when the test calls the completion it keeps.
    void learnStyleNow(StyleLearned done) override { learningRuns.append(done); }
    RepoDetector repoDetector() const override {
        return [program = gitProgram, limit = gitLimit](const QString& folder) {
            return ProjectTools::detectRepo(folder, program, limit);
        };
    }

    std::unique_ptr<AIProvider> makeProvider(ProviderID provider,
                                             const QString& customPath) override {
        requests.append({provider, customPath});
        return std::make_unique<ScriptedAIProvider>(tool);
    }

    Recognition recognition(const QString& dictationLanguage) const override {
        return speechModels ? speechModels(dictationLanguage)
                            : SettingsCoordinator::recognition(dictationLanguage);
    }

    QWidget* createShortcutConflictNotice() override {
        return conflictNotice ? conflictNotice() : nullptr;
    }

    QByteArray settingsFile() const {
        QFile file(store->fileURL());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    QTemporaryDir dir;
    Platform::FakeClock clock_;
    Platform::FakeSystemLog log;
    Platform::FakeLoginItem fakeLoginItem;
    ProviderStatusStore providerStatus{clock_};
    IdleProviderSetup setup{providerStatus};
    FakeShortcuts keys;
    // Shortcuts over the X server's grabs, for a test that presses real keys (none: `keys`).
    GlobalShortcuts::NamedShortcuts* realShortcuts = nullptr;
    // What the AI tool answers; the test sets it before starting a connection test.
    ScriptedAIProvider tool;
    mutable QList<std::pair<ProviderID, QString>> requests;
    Platform::FakeFolderChooser folders;
    QList<StyleLearned> learningRuns;
    // What dictation would listen with for a language setting (unset: every language has
    // its model).
    std::function<Recognition(const QString&)> speechModels;
    // Makes the notice the General tab shows under the main shortcut (none when unset).
    std::function<QWidget*()> conflictNotice;
    QString gitProgram = QStringLiteral("/usr/bin/git");
    std::chrono::milliseconds gitLimit{3000};

private:
    Platform::LoginItem& loginItem_;

public:
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MemoryStore> memoryStore;
};
