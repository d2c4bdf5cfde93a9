// Every file the user owns, written by its own store onto a real small filesystem that runs
// full or turns read-only.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDirIterator>
#include <functional>
#include <map>

#include "Memory/MemoryFile.h"
#include "Memory/MemoryStore.h"
#include "Output/DocumentStore.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"
#include "support/SmallDisk.h"

namespace {

// Far more than the room a disk full up to its last pages leaves, so that such a write breaks
// off in its middle.
const QString largeText(40 * 1024, QLatin1Char('x'));

// Every folder and file below `folder`, hidden ones too; each file by its size and a digest
// of its bytes, which fail a test readably.
std::map<std::string, std::string> contentsOf(const QString& folder) {
    std::map<std::string, std::string> contents;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
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

// A small disk with the stores of the data folder on it.
struct Shelf {
    Shelf() {
        if (!disk.unavailable().isEmpty())
            return;
        settings = std::make_unique<SettingsStore>(disk.path(),
                                                   SettingsStore::Services{loginItem, log, clock});
        memory = std::make_unique<MemoryStore>(disk.path(), clock);
        DocumentStore::folder();
    }
    QString folder() const { return disk.path() + "/org.tavrin.Tavrin"; }

    // What each change adds to its file besides its number: nothing, for writes small enough
    // to sit in a buffer until the file is closed, or `largeText`.
    QString bulk;
    SmallDisk disk{1024 * 1024};
    ScopedEnv dataHome{"XDG_DATA_HOME", disk.path()};
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeClock clock;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<MemoryStore> memory;
};

// One kind of stored file, driven through the store that owns it.
struct StoredFile {
    const char* name;
    // Makes the change numbered `n` and waits for its write; gives what the store reported
    // about a failed write.
    std::function<std::optional<QString>(Shelf&, int n)> change;
    // Whether the file on the disk holds the changes numbered `n` - 1 and `n`.
    std::function<bool(Shelf&, int n)> holdsTheLastTwoChanges;
    // How a report of a failed write begins; none for a store that stays silent.
    std::optional<QString> report;
};

QString rule(const Shelf& shelf, int n) {
    return QStringLiteral("Regel %1 ").arg(n) + shelf.bulk;
}

QString note(int n) {
    return QStringLiteral("Notiz %1").arg(n);
}

const StoredFile storedFiles[] = {
    {"settings.json",
     [](Shelf& shelf, int n) -> std::optional<QString> {
         const qsizetype lines = shelf.log.lines.size();
         shelf.settings->update([&](AssistantSettings& s) { s.rules.append(rule(shelf, n)); });
         if (shelf.log.lines.size() == lines)
             return std::nullopt;
         return shelf.log.lines.last();
     },
     [](Shelf& shelf, int n) {
         const auto decoded =
             AssistantSettings::decode(readFile(shelf.folder() + "/settings.json"));
         return decoded && decoded->settings.rules.size() >= 2 &&
                decoded->settings.rules.last(2) == QStringList{rule(shelf, n - 1), rule(shelf, n)};
     },
     QStringLiteral("[Tavrin] Einstellungen konnten nicht gespeichert werden: ")},
    {"memory.json",
     [](Shelf& shelf, int n) -> std::optional<QString> {
         // A store full of long notes: every write of it is large.
         if (!shelf.bulk.isEmpty() && shelf.memory->data().saved.isEmpty()) {
             MemoryStore::Data data;
             for (int i = 0; i < 40; ++i)
                 data.saved.append({QUuid::createUuid(),
                                    shelf.clock.now(),
                                    {},
                                    {},
                                    shelf.bulk.left(MemoryStore::textLength),
                                    {}});
             shelf.memory->setData(data);
         }
         shelf.memory->remember(note(n), QStringLiteral("Mail"));
         shelf.memory->flush();
         return std::nullopt;
     },
     [](Shelf& shelf, int n) {
         const auto decoded = MemoryFile::decode(readFile(shelf.memory->fileURL()));
         if (!decoded || decoded->saved.size() < 2)
             return false;
         const auto& saved = decoded->saved;
         return saved.at(saved.size() - 2).text == note(n - 1) && saved.last().text == note(n);
     },
     std::nullopt},
    // A document is never rewritten: the failed one stays the reply's to show.
    {"document",
     [](Shelf& shelf, int n) -> std::optional<QString> {
         const auto saved = DocumentStore::save(
             QStringLiteral("Dokument %1\n\nText").arg(n) + shelf.bulk, shelf.clock);
         if (saved.ok())
             return std::nullopt;
         return saved.error;
     },
     [](Shelf& shelf, int n) {
         const QString folder = DocumentStore::folder();
         const QStringList names =
             QDir(folder).entryList({QStringLiteral("* Dokument-%1.md").arg(n)}, QDir::Files);
         return names.size() == 1 &&
                readFile(folder + "/" + names.first()) ==
                    (QStringLiteral("# Dokument %1\n\nText").arg(n) + shelf.bulk + "\n").toUtf8();
     },
     QString()},
};

struct Condition {
    const char* name;
    std::function<bool(SmallDisk&)> apply;
    bool large;    // whether each change writes `largeText` too
    bool oldFile;  // whether a first change wrote the file before
};

}  // namespace

// A write that does not reach the disk whole leaves the old file as it was, byte for byte, and
// no temporary file; the content stays in memory, so the next write once there is room again
// brings the lost change along.
TEST(StoredFilesTest, AFailedWriteKeepsTheOldFileAndTheNextWriteCatchesUp) {
    const Condition conditions[] = {
        {"disk full before a small write", [](SmallDisk& d) { return d.fill(); }, false, true},
        {"disk full before a large write", [](SmallDisk& d) { return d.fill(); }, true, true},
        {"disk full in the middle of a large write", [](SmallDisk& d) { return d.fill(16 * 1024); },
         true, true},
        {"folder not writable", [](SmallDisk& d) { return d.setReadOnly(true); }, false, true},
        {"disk full at the very first write", [](SmallDisk& d) { return d.fill(); }, false, false},
    };
    for (const StoredFile& file : storedFiles) {
        for (const Condition& condition : conditions) {
            SCOPED_TRACE(std::string(file.name) + ", " + condition.name);
            Shelf shelf;
            shelf.bulk = condition.large ? largeText : QString();
            if (!shelf.disk.unavailable().isEmpty()) {
                GTEST_SKIP() << "needs a small filesystem of its own, which only root may "
                                "mount: "
                             << shelf.disk.unavailable().toStdString();
            }
            if (condition.oldFile) {
                ASSERT_EQ(file.change(shelf, 1), std::nullopt);
            }
            const auto before = contentsOf(shelf.folder());
            ASSERT_TRUE(condition.apply(shelf.disk));

            const std::optional<QString> reported = file.change(shelf, 2);
            EXPECT_EQ(contentsOf(shelf.folder()), before);
            if (!file.report) {
                EXPECT_EQ(reported, std::nullopt);
            } else {
                EXPECT_TRUE(reported && reported->startsWith(*file.report))
                    << reported.value_or("(nothing)").toStdString();
            }

            ASSERT_TRUE(shelf.disk.restore());
            EXPECT_EQ(file.change(shelf, 3), std::nullopt);
            EXPECT_TRUE(file.holdsTheLastTwoChanges(shelf, 3));
        }
    }
}
