// Every file the user owns, written by its own store onto a real small filesystem that runs
// full or turns read-only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSettings>
#include <functional>

#include "Memory/MemoryFile.h"
#include "Shelf.h"

namespace {

// Far more than the room a disk full up to its last pages leaves, so that such a write breaks
// off in its middle.
const QString largeText(40 * 1024, QLatin1Char('x'));

// What the change numbered `n` added to the log, if anything.
std::optional<QString> newLogLine(const Shelf& shelf, qsizetype linesBefore) {
    if (shelf.log.lines.size() == linesBefore)
        return std::nullopt;
    return shelf.log.lines.last();
}

// One kind of stored file, driven through the store that owns it.
struct StoredFile {
    const char* name;
    // Makes the change numbered `n` and waits for its write; gives what the store reported
    // about a failed write.
    std::function<std::optional<QString>(Shelf&, int n)> change;
    // Whether the file on the disk holds the changes numbered `n` - 1 and `n`.
    std::function<bool(Shelf&, int n)> holdsTheLastTwoChanges;
    // How a report of a failed write begins.
    QString report;
    // How the notice of a failed write begins; none for a file whose failure shows where the
    // user asked for it (a document).
    std::optional<QString> notice;
};

QString rule(const Shelf& shelf, int n) {
    return QStringLiteral("Regel %1 ").arg(n) + shelf.bulk;
}

QString note(int n) {
    return QStringLiteral("Notiz %1").arg(n);
}

QString shortcutKey(int n) {
    return QStringLiteral("GlobalShortcuts_name%1").arg(n);
}

QString shortcutValue(const Shelf& shelf, int n) {
    return QStringLiteral(R"({"carbonKeyCode":%1,"carbonModifiers":2048})").arg(n) + shelf.bulk;
}

const QString savedSettings = "[Tavrin] Einstellungen konnten nicht gespeichert werden: ";
const QString savedMemory = "[Tavrin] Erinnerungen konnten nicht gespeichert werden: ";
const QString savedShortcuts = "[Tavrin] Kurzbefehle konnten nicht gespeichert werden: ";

const StoredFile storedFiles[] = {
    {"settings.json",
     [](Shelf& shelf, int n) -> std::optional<QString> {
         const qsizetype lines = shelf.log.lines.size();
         shelf.settings->update([&](AssistantSettings& s) { s.rules.append(rule(shelf, n)); });
         return newLogLine(shelf, lines);
     },
     [](Shelf& shelf, int n) {
         const auto decoded =
             AssistantSettings::decode(readFile(shelf.folder() + "/settings.json"));
         return decoded && decoded->settings.rules.size() >= 2 &&
                decoded->settings.rules.last(2) == QStringList{rule(shelf, n - 1), rule(shelf, n)};
     },
     savedSettings, "Einstellungen konnten nicht gespeichert werden: "},
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
         const qsizetype lines = shelf.log.lines.size();
         shelf.memory->remember(note(n), QStringLiteral("Mail"));
         shelf.memory->flush();
         return newLogLine(shelf, lines);
     },
     [](Shelf& shelf, int n) {
         const auto decoded = MemoryFile::decode(readFile(shelf.memory->fileURL()));
         if (!decoded || decoded->saved.size() < 2)
             return false;
         const auto& saved = decoded->saved;
         return saved.at(saved.size() - 2).text == note(n - 1) && saved.last().text == note(n);
     },
     savedMemory, "Erinnerungen konnten nicht gespeichert werden: "},
    // The shortcuts, in the file QSettings reads.
    {"defaults.conf",
     [](Shelf& shelf, int n) -> std::optional<QString> {
         const qsizetype lines = shelf.log.lines.size();
         shelf.defaults->setValue(shortcutKey(n), shortcutValue(shelf, n));
         return newLogLine(shelf, lines);
     },
     [](Shelf& shelf, int n) {
         const QSettings stored(Platform::AppPaths::userDefaultsFile(), QSettings::IniFormat);
         return stored.status() == QSettings::NoError &&
                stored.value(shortcutKey(n - 1)).toString() == shortcutValue(shelf, n - 1) &&
                stored.value(shortcutKey(n)).toString() == shortcutValue(shelf, n);
     },
     savedShortcuts, "Kurzbefehle konnten nicht gespeichert werden: "},
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
     QString(), std::nullopt},
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
            const auto before = contentsOf(shelf.disk.path());
            ASSERT_TRUE(condition.apply(shelf.disk));

            const std::optional<QString> reported = file.change(shelf, 2);
            EXPECT_EQ(contentsOf(shelf.disk.path()), before);
            EXPECT_TRUE(reported && reported->startsWith(file.report))
                << reported.value_or("(nothing)").toStdString();

            ASSERT_TRUE(shelf.disk.restore());
            EXPECT_EQ(file.change(shelf, 3), std::nullopt);
            EXPECT_TRUE(file.holdsTheLastTwoChanges(shelf, 3));
        }
    }
}

// A save that fails is told where the user will see it, once for a run of failures, not at
// every key typed into a setting; each failure is still a line in the log. Once there is room
// again the next save writes the whole record, the change that failed included.
TEST(StoredFilesTest, AFailedSaveIsToldOncePerRunOfFailures) {
    for (const StoredFile& file : storedFiles) {
        if (!file.notice)
            continue;
        SCOPED_TRACE(file.name);
        Shelf shelf;
        if (!shelf.disk.unavailable().isEmpty())
            GTEST_SKIP() << shelf.disk.unavailable().toStdString();
        ASSERT_EQ(file.change(shelf, 1), std::nullopt);

        ASSERT_TRUE(shelf.disk.fill());
        for (int n : {2, 3}) {
            const std::optional<QString> reported = file.change(shelf, n);
            EXPECT_TRUE(reported && reported->startsWith(file.report))
                << reported.value_or("(nothing)").toStdString();
        }
        ASSERT_EQ(shelf.notices.told.size(), 1);
        EXPECT_TRUE(
            shelf.notices.told.first().startsWith(*file.notice + "Der Datenträger ist voll."))
            << shelf.notices.told.first().toStdString();

        ASSERT_TRUE(shelf.disk.restore());
        EXPECT_EQ(file.change(shelf, 4), std::nullopt);
        EXPECT_TRUE(file.holdsTheLastTwoChanges(shelf, 4)) << "the change that failed is saved";
        EXPECT_EQ(shelf.notices.told.size(), 1);

        // A new run of failures is told again.
        ASSERT_TRUE(shelf.disk.fill());
        EXPECT_NE(file.change(shelf, 5), std::nullopt);
        EXPECT_EQ(shelf.notices.told.size(), 2);
        ASSERT_TRUE(shelf.disk.restore());
    }
}

// The program killed between the sync and the rename of a save leaves the whole new file
// behind under a hidden name; the next start removes it. Only what the writer itself names
// for Tavrin's own files goes: everything else in the folders stays as it is.
TEST(StoredFilesTest, AKilledSaveLeavesNothingBehindAfterTheNextStart) {
    const struct {
        const char* name;
        QString (*folder)(const Shelf&);
    } files[] = {
        {"settings.json", [](const Shelf& s) { return s.folder(); }},
        {"memory.json", [](const Shelf& s) { return s.folder(); }},
        {"defaults.conf", [](const Shelf& s) { return s.configFolder(); }},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        Shelf shelf(false);
        if (!shelf.disk.unavailable().isEmpty())
            GTEST_SKIP() << shelf.disk.unavailable().toStdString();
        const QString folder = file.folder(shelf) + "/";
        const QString name = file.name;
        // Not the writer's: other lengths and characters, other files, no dot, a folder, a
        // link, another user's file.
        for (const char* other : {".bak", ".a1B2c", ".a1B2c3d", ".a1-2c3", ".Fremd1"})
            writeFile(folder + "." + name + other, "fremd");
        writeFile(folder + name + ".a1B2c3", "fremd");
        writeFile(folder + ".other.json.a1B2c3", "fremd");
        ASSERT_TRUE(QDir().mkpath(folder + "." + name + ".Ordnr/innen"));
        ASSERT_TRUE(QFile::link(folder + ".other.json.a1B2c3", folder + "." + name + ".Link01"));
        ASSERT_EQ(
            ::chown(QFile::encodeName(folder + "." + name + ".Fremd1").constData(), 65534, 65534),
            0);
        const auto others = contentsOf(shelf.disk.path());
        const QStringList leftovers = {"." + name + ".a1B2c3", "." + name + ".ZZZZZZ"};
        for (const QString& leftover : leftovers)
            writeFile(folder + leftover, "Notiz, die der Nutzer gelöscht hat");

        shelf.start();
        const auto after = contentsOf(shelf.disk.path());
        for (const auto& [path, content] : others)
            EXPECT_EQ(after.count(path) ? after.at(path) : "(removed)", content) << path;
        for (const QString& leftover : leftovers)
            EXPECT_FALSE(QFile::exists(folder + leftover)) << leftover.toStdString();
    }
}
