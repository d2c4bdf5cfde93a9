#pragma once

// A small disk with the user's data and config folders on it, and the stores that own the
// files there: the stored files as the program keeps them, on a real filesystem that can run
// full or turn read-only.
#include <QCryptographicHash>
#include <QDirIterator>
#include <map>
#include <memory>
#include <string>

#include "Memory/MemoryStore.h"
#include "Output/DocumentStore.h"
#include "Platform/AppPaths.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUserNotices.h"
#include "Platform/linux/QSettingsUserDefaults.h"
#include "Settings/SettingsStore.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"
#include "support/SmallDisk.h"

// Every folder and file below `folder`, hidden ones too, but for the file that fills the disk;
// each file by its size and a digest of its bytes, which fail a test readably.
inline std::map<std::string, std::string> contentsOf(const QString& folder) {
    std::map<std::string, std::string> contents;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() == "filler")
            continue;
        const QByteArray bytes = readFile(path);
        contents[path.mid(folder.size()).toStdString()] =
            it.fileInfo().isDir() ? "folder"
                                  : std::to_string(bytes.size()) + " bytes, " +
                                        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)
                                            .toHex()
                                            .left(16)
                                            .toStdString();
    }
    return contents;
}

// A small disk with the user's data and config folders on it, and the stores that own the
// files in them.
struct Shelf {
    explicit Shelf(bool startNow = true) {
        if (startNow)
            start();
    }
    // One start of the program: the stores read their files.
    void start() {
        if (!disk.unavailable().isEmpty())
            return;
        settings = std::make_unique<SettingsStore>(
            disk.path(), SettingsStore::Services{loginItem, log, clock, &notices});
        memory = std::make_unique<MemoryStore>(disk.path(), clock, &log, &notices);
        defaults = std::make_unique<Platform::QSettingsUserDefaults>(
            Platform::AppPaths::userDefaultsFile(), &log, &notices);
        DocumentStore::folder();
    }
    // The program ends (its last writes done) and starts again on the same disk.
    void restart() {
        memory->flush();
        settings.reset();
        memory.reset();
        defaults.reset();
        start();
    }
    QString folder() const { return disk.path() + "/org.tavrin.Tavrin"; }
    QString configFolder() const { return disk.path() + "/config/org.tavrin.Tavrin"; }

    // What each change adds to its file besides its number: nothing, for writes small enough
    // to sit in a buffer until the file is closed, or `largeText`.
    QString bulk;
    SmallDisk disk{1024 * 1024};
    ScopedEnv dataHome{"XDG_DATA_HOME", disk.path()};
    ScopedEnv configHome{"XDG_CONFIG_HOME", disk.path() + "/config"};
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeUserNotices notices;
    Platform::FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(22, 15), Qt::UTC)};
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<MemoryStore> memory;
    std::unique_ptr<Platform::QSettingsUserDefaults> defaults;
};
