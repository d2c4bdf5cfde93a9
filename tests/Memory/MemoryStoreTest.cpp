#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <limits>

#include "Memory/MemoryFile.h"
#include "Memory/MemoryStore.h"
#include "Platform/fake/FakeClock.h"
#include "support/Files.h"

namespace {

class MemoryStoreTest : public ::testing::Test {
protected:
    QString folder() const { return home.path() + "/org.tavrin.Tavrin"; }
    QString file() const { return folder() + "/memory.json"; }

    std::unique_ptr<MemoryStore> makeStore() {
        return std::make_unique<MemoryStore>(home.path(), clock);
    }

    // What the file holds, as a reader would see it, once the store's writes are done.
    std::optional<MemoryData> stored(MemoryStore& store) const {
        store.flush();
        return MemoryFile::decode(readFile(file()));
    }

    QTemporaryDir home;
    Platform::FakeClock clock{QDateTime(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC)};
};

}  // namespace

TEST_F(MemoryStoreTest, RememberKeepsTheNoteAsWritten) {
    auto store = makeStore();
    EXPECT_EQ(store->data(), MemoryData{});
    EXPECT_EQ(modeOf(folder()), 0700u);
    QSignalSpy changed(store.get(), &MemoryStore::dataChanged);

    for (const QString blank : {"", "  ", " \n\t "})
        store->remember(blank, "Mail");
    EXPECT_EQ(changed.count(), 0);
    store->flush();
    EXPECT_FALSE(QFile::exists(file()));

    const QString longNote = "  " + QString(2498, QLatin1Char('x'));
    store->remember(longNote, "Mail");
    store->remember("Black Friday", std::nullopt);
    EXPECT_EQ(changed.count(), 2);

    ASSERT_EQ(store->data().saved.size(), 2);
    const MemoryEntry& first = store->data().saved.at(0);
    EXPECT_EQ(first.text, longNote.left(2000));
    EXPECT_EQ(first.app, "Mail");
    EXPECT_EQ(first.context, std::nullopt);
    EXPECT_EQ(first.kind, MemoryEntry::Kind::wrote);
    EXPECT_EQ(first.date, clock.now());
    EXPECT_FALSE(first.id.isNull());
    EXPECT_NE(first.id, store->data().saved.at(1).id);
    EXPECT_EQ(store->data().saved.at(1).app, std::nullopt);

    EXPECT_EQ(stored(*store), store->data());
    EXPECT_TRUE(readFile(file()).contains(R"("kind":"wrote")"));
    EXPECT_EQ(modeOf(file()), 0600u);
    EXPECT_EQ(makeStore()->data(), store->data());
}

TEST_F(MemoryStoreTest, CutsLongTextsByCharactersNotCodeUnits) {
    auto store = makeStore();
    // Each of these is one character of two or more code units.
    const QString emoji = "\U0001F44D\U0001F3FD";
    QString note;
    for (int i = 0; i < 2001; ++i)
        note += emoji;
    store->remember(note, std::nullopt);
    EXPECT_EQ(store->data().saved.at(0).text.size(), 2000 * emoji.size());

    store->addStyleSignal(QString(801, QChar(0x00E9)));
    EXPECT_EQ(store->data().styleSignals.at(0).size(), 800);
}

TEST_F(MemoryStoreTest, StyleSignalsKeepTheNewest40AndCountOn) {
    auto store = makeStore();
    store->addStyleSignal(" \n ");
    EXPECT_EQ(store->data().signalsSinceLearning, 0);

    for (int i = 1; i <= 41; ++i)
        store->addStyleSignal(QStringLiteral("signal %1").arg(i));
    const MemoryData& data = store->data();
    ASSERT_EQ(data.styleSignals.size(), 40);
    EXPECT_EQ(data.styleSignals.first(), "signal 2");
    EXPECT_EQ(data.styleSignals.last(), "signal 41");
    EXPECT_EQ(data.signalsSinceLearning, 41);
    EXPECT_EQ(stored(*store), data);

    store->clearStyleSignals();
    EXPECT_TRUE(store->data().styleSignals.isEmpty());
    EXPECT_EQ(store->data().signalsSinceLearning, 0);
    EXPECT_EQ(stored(*store), store->data());
}

// A file may hold any counter; counting on from the largest one must not wrap to a negative
// number (or trap), which would stop style learning for good.
TEST_F(MemoryStoreTest, SignalCounterStopsAtItsLargestValue) {
    writeFile(file(), R"({"activity":[],"saved":[],"styleSignals":[],)"
                      R"("signalsSinceLearning":9223372036854775807})");
    auto store = makeStore();
    ASSERT_EQ(store->data().signalsSinceLearning, std::numeric_limits<std::int64_t>::max());
    store->addStyleSignal("kürzer");
    EXPECT_EQ(store->data().signalsSinceLearning, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(store->data().styleSignals, QStringList{"kürzer"});
    EXPECT_EQ(stored(*store), store->data());
}

TEST_F(MemoryStoreTest, ForgetAndClearAlwaysWrite) {
    auto store = makeStore();
    store->remember("eins", std::nullopt);
    store->remember("zwei", std::nullopt);
    MemoryData data = store->data();
    MemoryEntry shared = data.saved.at(0);
    data.activity = {shared};
    store->setData(data);
    store->flush();
    QSignalSpy changed(store.get(), &MemoryStore::dataChanged);

    // Neither list holds the id: nothing changes, but the file is written all the same.
    QFile::remove(file());
    store->forget(QUuid::createUuid());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(stored(*store), data);

    store->forget(shared.id);
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(store->data().saved.size(), 1);
    EXPECT_EQ(store->data().saved.at(0).text, "zwei");
    EXPECT_TRUE(store->data().activity.isEmpty());
    EXPECT_EQ(stored(*store), store->data());

    QFile::remove(file());
    store->clearActivity();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(stored(*store), store->data());
}

TEST_F(MemoryStoreTest, TightensAFileOthersCouldRead) {
    MemoryData data;
    data.styleSignals = {"a"};
    writeFile(file(), MemoryFile::encode(data));
    QFile::setPermissions(file(), QFileDevice::Permissions(0x6644));
    auto store = makeStore();
    EXPECT_EQ(store->data(), data);
    store->addStyleSignal("b");
    store->flush();
    EXPECT_EQ(modeOf(file()), 0600u);
}

// A file that does not read loads as an empty store and is copied aside at once, so that the
// user's notes can still be recovered; what was read is the file from then on.
TEST_F(MemoryStoreTest, KeepsACopyOfAnUnreadableFileAtOnce) {
    const QByteArray unreadable =
        R"({"activity":[],"saved":[{"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,)"
        R"("text":"Türcode 4711"}],"signalsSinceLearning":0,"styleSignals":[3]})";
    writeFile(file(), unreadable);
    auto store = makeStore();
    const QString copy = file() + ".unreadable-20260302T140500Z";
    EXPECT_EQ(readFile(copy), unreadable);
    EXPECT_EQ(modeOf(copy), 0600u);
    ASSERT_EQ(store->data().saved.size(), 1);
    EXPECT_EQ(stored(*store), store->data());

    // Only the file that failed to load is copied, once.
    clock.advance(std::chrono::seconds(5));
    store->remember("noch einer", std::nullopt);
    store->flush();
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(stored(*store), store->data());
}

// What cannot be copied (here a folder; for another user, a file without read permission) is
// moved aside instead, so that saving works again rather than failing for good.
TEST_F(MemoryStoreTest, MovesAsideWhatCannotBeCopied) {
    ASSERT_TRUE(QDir().mkpath(file() + "/inner"));
    auto store = makeStore();
    store->remember("neu", std::nullopt);
    EXPECT_EQ(stored(*store), store->data());
    EXPECT_TRUE(QFileInfo(file() + ".unreadable-20260302T140500Z/inner").isDir());
}

// Changes within one turn of the event loop make one write, after the turn: a burst of
// changes never waits for the disk in between.
TEST_F(MemoryStoreTest, ChangesWithinOneTurnAreWrittenTogetherAfterIt) {
    auto store = makeStore();
    store->remember("eins", std::nullopt);
    store->addStyleSignal("kürzer");
    store->recordActivity("Mail", std::nullopt, "zwei", MemoryRetention::week,
                          MemoryEntry::Kind::wrote);
    EXPECT_FALSE(QFile::exists(file()));

    QCoreApplication::sendPostedEvents(store.get());
    EXPECT_EQ(stored(*store), store->data());
}

// While the worker writes, the file read at any moment is whole and never goes back to an
// older state than one read before.
TEST_F(MemoryStoreTest, TheFileOnlyMovesForwardWhileChangesKeepComing) {
    auto store = makeStore();
    qsizetype lastSeen = 0;
    for (int i = 1; i <= 300; ++i) {
        store->remember(QStringLiteral("Notiz %1 ").arg(i) + QString(2000, QLatin1Char('x')),
                        std::nullopt);
        QCoreApplication::sendPostedEvents(store.get());
        if (!QFile::exists(file()))
            continue;
        const std::optional<MemoryData> seen = MemoryFile::decode(readFile(file()));
        ASSERT_TRUE(seen) << "after change " << i;
        EXPECT_GE(seen->saved.size(), lastSeen) << "after change " << i;
        lastSeen = seen->saved.size();
    }
    EXPECT_EQ(stored(*store), store->data());
}

// Quitting must not lose the change made just before it.
TEST_F(MemoryStoreTest, TheLastChangeIsWrittenWhenTheStoreGoes) {
    auto store = makeStore();
    store->remember("zuletzt", std::nullopt);
    const MemoryData last = store->data();
    store.reset();
    EXPECT_EQ(MemoryFile::decode(readFile(file())), last);
}
