#pragma once

#include <QObject>
#include <QString>
#include <QUuid>
#include <memory>
#include <optional>

#include "Memory/MemoryData.h"
#include "Memory/MemoryEntry.h"
#include "Memory/MemoryWriter.h"
#include "Platform/SaveFailures.h"
#include "Settings/MemoryRetention.h"

struct AssistantSettings;

namespace Platform {
class Clock;
class SystemLog;
class UserNotices;
}  // namespace Platform

// What outlives one panel invocation: saved notes, recent activity and style signals, kept in
// memory.json in the data folder. The content in memory is the truth; the file mirrors it
// after every change. Main thread only; the file is written on a worker.
class MemoryStore : public QObject {
    Q_OBJECT

public:
    using Entry = MemoryEntry;
    using Data = MemoryData;

    static constexpr qsizetype activityLimit = 60;
    static constexpr qsizetype styleSignalLimit = 40;
    static constexpr qsizetype textLength = 2000;
    static constexpr qsizetype contextLength = 300;
    static constexpr qsizetype styleSignalLength = 800;
    static constexpr qsizetype promptSavedLimit = 30;
    static constexpr qsizetype promptActivityLimit = 16;

    // Activity dated before this moment is no longer recent under `retention`. `today` counts
    // from the start of the current day in the local time zone.
    static QDateTime cutoff(MemoryRetention retention, const QDateTime& now);

    // `applicationSupport` is the data home that also holds settings.json's folder
    // (SettingsStore::applicationSupportFolder()); memory.json lives beside settings.json, in a
    // folder created when missing. The file is read entry by entry: what cannot be read is
    // left out, the file as it was kept aside at once and the user told where (through
    // `notices`, and in `log`); failed saves are logged and told once per run of failures.
    // Without `log` and `notices` (tests, tools) nothing is reported.
    MemoryStore(const QString& applicationSupport, Platform::Clock& clock,
                Platform::SystemLog* log = nullptr, Platform::UserNotices* notices = nullptr,
                QObject* parent = nullptr);
    // Writes what is still pending.
    ~MemoryStore() override;

    const Data& data() const { return data_; }
    // Replaces the content and notifies; does not save (save() does).
    void setData(Data data);
    // Location of memory.json.
    const QString& fileURL() const { return fileURL_; }

    // Keeps a note the user asked to remember; blank text changes nothing.
    void remember(const QString& text, const std::optional<QString>& app);
    // Records what the user wrote or looked at, after dropping what `retention` no longer
    // keeps; with retention `off` nothing is recorded (and nothing pruned).
    void recordActivity(const std::optional<QString>& app, const std::optional<QString>& context,
                        const QString& text, MemoryRetention retention,
                        std::optional<Entry::Kind> kind);
    // Drops activity older than the cut-off; saves only when something was dropped.
    void prune(MemoryRetention retention);
    // The memory text for the system prompt, inserted there unchanged; none when there is
    // nothing to say. Filters activity by the cut-off itself, so unpruned stale entries never
    // reach the prompt.
    std::optional<QString> promptSection(const AssistantSettings& settings) const;
    // Keeps a text that shows how the user corrects drafts, and counts it.
    void addStyleSignal(const QString& text);
    void clearActivity();
    // Removes the entry with `id` from the saved notes and from the activity.
    void forget(const QUuid& id);
    void clearStyleSignals();

    // Writes the content to memory.json, whole and atomically, readable by the user alone.
    // Saves asked for within one turn of the event loop become one write, which runs on a
    // worker. On failure the content in memory stays as it is and the next write brings it.
    void save();
    // Returns once memory.json holds the current content (or its write has failed and that
    // has been reported); called when the application quits.
    void flush();

signals:
    void dataChanged();

private:
    Entry makeEntry(const std::optional<QString>& app, const std::optional<QString>& context,
                    const QString& text, std::optional<Entry::Kind> kind) const;
    // Changes the content through `change`, notifies when it really changed, then saves.
    template <typename Change>
    void update(Change change);
    void load();
    void keepUnreadableFile(bool everythingRead);
    QString whatWasRead(bool everythingRead) const;
    void writePendingSave();
    void writeFinished(const std::optional<QString>& error);

    Platform::Clock& clock_;
    Platform::SystemLog* log_;
    Platform::UserNotices* notices_;
    QString fileURL_;
    Data data_;
    bool savePending_ = false;
    std::unique_ptr<MemoryWriter> writer_;
    Platform::SaveFailures failures_;
};
