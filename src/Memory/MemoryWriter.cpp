#include "Memory/MemoryWriter.h"

#include <QMutexLocker>

#include "Memory/MemoryFile.h"
#include "Platform/PrivateFile.h"
#include "Platform/UnreadableFile.h"

MemoryWriter::MemoryWriter(QString path, Done done)
    : path_(std::move(path)), done_(std::move(done)) {
    worker_.setMaxThreadCount(1);
}

MemoryWriter::~MemoryWriter() {
    waitForWrites();
}

void MemoryWriter::write(MemoryData data, const QDateTime& now) {
    QMutexLocker lock(&mutex_);
    next_ = Pending{std::move(data), now};
    if (draining_)
        return;
    draining_ = true;
    worker_.start([this] { drain(); });
}

void MemoryWriter::waitForWrites() {
    worker_.waitForDone();
}

void MemoryWriter::drain() {
    for (;;) {
        std::optional<Pending> pending;
        {
            QMutexLocker lock(&mutex_);
            if (!next_) {
                draining_ = false;
                return;
            }
            pending.swap(next_);
        }
        writeNow(*pending);
    }
}

void MemoryWriter::writeNow(const Pending& pending) {
    // A file that could not be read may still hold the user's notes: it is never replaced
    // before it has been set aside.
    std::optional<QString> error;
    if (unreadableFileKept_)
        error = Platform::UnreadableFile::setAsideBeforeSaving(path_, pending.now);
    if (!error) {
        unreadableFileKept_ = false;
        // On failure the content in memory stays as it is, for the next write to bring along.
        error = Platform::PrivateFile::write(path_, MemoryFile::encode(pending.data));
    }
    if (done_)
        done_(error);
}
