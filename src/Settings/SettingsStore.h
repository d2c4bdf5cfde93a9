#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "Platform/SaveFailures.h"
#include "Settings/AssistantSettings.h"

namespace Platform {
class Clock;
class LoginItem;
class SystemLog;
class UserNotices;
}  // namespace Platform

// Owns the one live settings record: loads settings.json at start (taking over an earlier
// version's file when there is none), saves the whole file on every real change, and keeps
// the login item in step with `launchAtLogin`. A file that does not read whole is kept aside
// at once and the user told where; a failed save is logged and told once per run of failures.
// Main thread only.
class SettingsStore final : public QObject {
    Q_OBJECT

public:
    struct Services {
        Platform::LoginItem& loginItem;
        Platform::SystemLog& log;
        Platform::Clock& clock;
        // Where a failed save and a file that could not be read are told; none in tools
        // and tests that only look at the log.
        Platform::UserNotices* notices = nullptr;
    };

    // `applicationSupport` holds Tavrin's data folder and those of its earlier versions
    // (see applicationSupportFolder()).
    SettingsStore(const QString& applicationSupport, Services services, QObject* parent = nullptr);

    // The user's data home; none when the system knows no home folder at all, and then
    // Tavrin cannot keep settings and must not start.
    static std::optional<QString> applicationSupportFolder();

    const AssistantSettings& settings() const { return settings_; }
    // Saves (and, when `launchAtLogin` changed, registers or unregisters the login item)
    // only when `settings` differs from the current record.
    void setSettings(const AssistantSettings& settings);
    // Changes a copy of the current record and sets it: store.update([](auto& s) { … }).
    template <typename Edit>
    void update(Edit&& edit) {
        AssistantSettings changed = settings_;
        edit(changed);
        setSettings(changed);
    }

    // Location of settings.json.
    const QString& fileURL() const { return fileURL_; }

    // The earlier product word and bundle identifiers whose settings are taken over.
    static QString earlierProductWord();
    static QString earlierBundleIdentifier();

signals:
    void settingsChanged();

private:
    void migrateFromEarlierBundles(const QString& applicationSupport);
    // Gives whether every value the file held was read (it may still need writing anew).
    bool load();
    void keepUnreadableFile(bool everyValueRead);
    QString whatWasRead(bool everyValueRead) const;
    void save();
    void write();
    void applyLaunchAtLogin();

    Services services_;
    QString fileURL_;
    AssistantSettings settings_;
    // The file on disk held something the loaded record does not (it could not be read,
    // or values were dropped); it is copied aside before the first save replaces it.
    bool keepOldFile_ = false;
    Platform::SaveFailures failures_;
};
