#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "Settings/ProviderID.h"
#include "SettingsWindow/Tabs/SettingsTab.h"

class AIProvider;
class MemoryStore;
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
class FolderChooser;
}  // namespace Platform

// What the settings window needs of the application: its stores, the selected tab (which
// any part of the program may change, also while the window is open) and the few
// operations the tabs start. The application core implements it; tests use a fake.
// Main thread only.
class SettingsCoordinator : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~SettingsCoordinator() override = default;

    virtual SettingsStore& settings() = 0;
    virtual PermissionsManager& permissions() = 0;
    virtual ProviderStatusStore& providers() = 0;
    // Installing and signing in to the AI tools, for the controls of the provider rows.
    virtual ProviderSetupServices& providerSetup() = 0;
    virtual Platform::Clock& clock() = 0;
    // The global shortcuts, which the General tab records.
    virtual GlobalShortcuts::NamedShortcuts& shortcuts() = 0;
    // Saved notes, recent activity and the collected style signals.
    virtual MemoryStore& memory() = 0;
    // The folder dialog of the Projects tab.
    virtual Platform::FolderChooser& folderChooser() = 0;
    // Learns the user's writing style from what has been collected; `done` runs on the main
    // thread once the run has ended (a run already going answers too), with why nothing was
    // learned: nothing to learn from, a failed or empty answer. None when the description was
    // renewed.
    using StyleLearned = std::function<void(const std::optional<QString>& notLearned)>;
    virtual void learnStyleNow(StyleLearned done) = 0;
    // Finds the GitHub repository ("owner/name") of a folder's origin remote. The function
    // runs on a worker thread, may take seconds and may outlive the coordinator, so it holds
    // what it needs itself.
    using RepoDetector = std::function<std::optional<QString>(const QString& folder)>;
    virtual RepoDetector repoDetector() const;

    // The tool that answers for `provider`, started from `customPath` (empty: searched for).
    virtual std::unique_ptr<AIProvider> makeProvider(ProviderID provider,
                                                     const QString& customPath);
    // What dictation with a language setting ("auto", "de-DE") would listen for: the locale
    // it asks for (the system's for "auto"), and the locale of the installed speech model that
    // would serve it, which may speak another language; none when no model would.
    struct Recognition {
        QString wanted;
        std::optional<QString> model;
        bool operator==(const Recognition&) const = default;
    };
    // By default every language has its model.
    virtual Recognition recognition(const QString& dictationLanguage) const;
    // The warning under the main shortcut when other programs use the same combination;
    // none when there is nothing to warn about or no one to ask.
    virtual QWidget* createShortcutConflictNotice() { return nullptr; }
    // Brings the settings window to the front for the user's latest action (the window
    // manager may hold back a window that asks without one).
    virtual void activateWindow(QWidget* window);

    // General when the program starts; kept across openings of the window.
    SettingsTab settingsTab() const { return settingsTab_; }
    // Announces only a real change.
    void setSettingsTab(SettingsTab tab);

signals:
    void settingsTabChanged(SettingsTab tab);

private:
    SettingsTab settingsTab_ = SettingsTab::general;
};
