#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <optional>

#include "Memory/MemoryData.h"

// Writes memory.json on a worker thread, so that a change of the memory never waits for the
// encoding or the disk. One write runs at a time and always takes the newest content handed
// in, so the file is never left with an older state after a newer one, and content that was
// replaced before its turn is never written at all.
class MemoryWriter {
public:
    // Gets the outcome of each write, on the worker: none when it worked, else the reason.
    using Done = std::function<void(const std::optional<QString>& error)>;

    explicit MemoryWriter(QString path, Done done = {});
    // Finishes the last write.
    ~MemoryWriter();
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;

    // The file at the path could not be read: before the first write replaces it, it is set
    // aside; when that fails, nothing is written and the next write tries again.
    void keepUnreadableFileFirst() { unreadableFileKept_ = true; }

    // Writes `data` soon; `now` names the copy of an unreadable file.
    void write(MemoryData data, const QDateTime& now);
    // Returns once everything handed in is on disk (or has failed).
    void waitForWrites();

private:
    struct Pending {
        MemoryData data;
        QDateTime now;
    };

    void drain();
    void writeNow(const Pending& pending);

    const QString path_;
    const Done done_;
    QMutex mutex_;
    std::optional<Pending> next_;  // guarded by mutex_
    bool draining_ = false;        // guarded by mutex_
    // Touched by the worker only once writes began.
    bool unreadableFileKept_ = false;
    QThreadPool worker_;
};
