#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"
#include "support/Files.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<SettingsStore> makeStore() {
        return std::make_unique<SettingsStore>(support.path(),
                                               SettingsStore::Services{loginItem, log, clock});
    }
    QString folder() const { return support.path() + "/org.tavrin.Tavrin"; }
    QString settingsFile() const { return folder() + "/settings.json"; }
    QStringList asideFiles() const {
        return QDir(folder()).entryList({"settings.json.unreadable-*"}, QDir::AllEntries);
    }

    QTemporaryDir support;
    Platform::FakeLoginItem loginItem;
    Platform::FakeSystemLog log;
    Platform::FakeClock clock{QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC)};
};

}  // namespace

TEST_F(SettingsStoreTest, Migration) {
    const QString renamed = "org.scrivo.Tavrin";
    const QString earlier = "de.scrivo.Scrivo";
    const QString development = "de.scrivo.Scrivo.dev";
    const struct {
        const char* label;
        QStringList present;
        std::optional<QString> takenFrom;
    } cases[] = {
        {"existing file wins", {"org.tavrin.Tavrin", renamed, earlier}, std::nullopt},
        {"first and third: the first", {renamed, development}, renamed},
        {"earlier identifier", {earlier, development}, earlier},
        {"development identifier", {development}, development},
        {"nothing anywhere", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        support.remove();
        support = QTemporaryDir();
        log.lines.clear();
        for (const QString& name : c.present)
            writeFile(support.path() + "/" + name + "/settings.json",
                      QString(R"({"aboutMe": "%1"})").arg(name).toUtf8());
        const auto store = makeStore();
        if (c.takenFrom) {
            EXPECT_EQ(log.lines,
                      QStringList{"[Tavrin] Einstellungen aus " + *c.takenFrom + " übernommen"});
            EXPECT_EQ(store->settings().aboutMe, *c.takenFrom);
            EXPECT_EQ(modeOf(settingsFile()), 0600u);
        } else {
            EXPECT_TRUE(log.lines.isEmpty());
        }
        if (c.present.isEmpty()) {
            EXPECT_EQ(store->settings(), AssistantSettings());
            EXPECT_FALSE(QFile::exists(settingsFile())) << "nothing written before a change";
        }
    }
}

TEST_F(SettingsStoreTest, OnlyRealChangesSaveAndNotify) {
    const auto store = makeStore();
    QSignalSpy changed(store.get(), &SettingsStore::settingsChanged);

    store->setSettings(AssistantSettings());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(QFile::exists(settingsFile()));

    store->update([](AssistantSettings& s) { s.tone = "knapp"; });
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(loginItem.calls.isEmpty()) << "the tone does not touch the login item";
    EXPECT_EQ(AssistantSettings::decode(readFile(settingsFile()))->settings, store->settings());
    EXPECT_EQ(modeOf(settingsFile()), 0600u);
    EXPECT_EQ(modeOf(folder()), 0700u);

    // Writing back the same record leaves the file alone.
    QFile::remove(settingsFile());
    store->setSettings(store->settings());
    EXPECT_FALSE(QFile::exists(settingsFile()));
    EXPECT_EQ(changed.count(), 1);

    // A fresh store reads what was saved.
    store->update([](AssistantSettings& s) { s.rules = {"Keine Emojis"}; });
    EXPECT_EQ(makeStore()->settings(), store->settings());
}

TEST_F(SettingsStoreTest, LaunchAtLoginSavesFirstThenRegisters) {
    const auto store = makeStore();
    QList<bool> savedValueAtCall;
    loginItem.onCall = [&](const QString&) {
        const auto onDisk = AssistantSettings::decode(readFile(settingsFile()));
        savedValueAtCall.append(onDisk && onDisk->settings.launchAtLogin);
    };
    store->update([](AssistantSettings& s) { s.launchAtLogin = true; });
    store->update([](AssistantSettings& s) { s.launchAtLogin = false; });
    EXPECT_EQ(loginItem.calls, (QStringList{"register", "unregister"}));
    EXPECT_EQ(savedValueAtCall, (QList<bool>{true, false}));
    EXPECT_TRUE(log.lines.isEmpty());

    loginItem.failure = "kein Autostart-Ordner";
    store->update([](AssistantSettings& s) { s.launchAtLogin = true; });
    EXPECT_EQ(log.lines, QStringList{"[Tavrin] Login-Start fehlgeschlagen: kein Autostart-Ordner"});
    EXPECT_TRUE(store->settings().launchAtLogin) << "the setting is not reverted";
}

TEST_F(SettingsStoreTest, UnreadableFileIsCopiedAsideAtOnce) {
    const QByteArray brokenProjects = R"({"aboutMe": "ich", "projects": [{"name": "ohne id"}]})";
    const struct {
        const char* label;
        QByteArray contents;
        bool copiedAside;
    } cases[] = {
        {"top-level array", "[1, 2]", true},
        {"not JSON", "{\"aboutMe\": ", true},
        {"projects dropped", brokenProjects, true},
        {"actions dropped", R"({"customActions": [{"id": "x"}]})", true},
        {"rules dropped for one number", R"({"rules": ["Keine Emojis", 3]})", true},
        {"text of another type", R"({"aboutMe": ["Zeile eins", "Zeile zwei"]})", true},
        {"an unknown preset", R"({"tonePresets": ["loud"]})", true},
        {"null and empty lists", R"({"projects": null, "customActions": []})", false},
        {"rules as one text", R"({"rules": "Keine Emojis\nDu statt Sie", "aboutMe": null})", false},
        {"sound file", R"({"aboutMe": "ich"})", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        support.remove();
        support = QTemporaryDir();
        writeFile(settingsFile(), c.contents);
        const auto store = makeStore();
        EXPECT_EQ(asideFiles().size(), c.copiedAside ? 1 : 0) << "kept before any change";
        if (!c.copiedAside) {
            EXPECT_EQ(readFile(settingsFile()), c.contents) << "a file that reads is not written";
        }

        store->update([](AssistantSettings& s) { s.knowledge = "neu"; });
        store->update([](AssistantSettings& s) { s.knowledge = "neuer"; });
        const auto decoded = AssistantSettings::decode(readFile(settingsFile()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->settings.knowledge, "neuer");
        EXPECT_EQ(QJsonDocument::fromJson(readFile(settingsFile())).object().size(), 32);
        if (c.copiedAside) {
            ASSERT_EQ(asideFiles(), QStringList{"settings.json.unreadable-20260304T050607Z"});
            EXPECT_EQ(readFile(folder() + "/" + asideFiles().first()), c.contents);
            EXPECT_EQ(modeOf(folder() + "/" + asideFiles().first()), 0600u);
        } else {
            EXPECT_TRUE(asideFiles().isEmpty());
        }
    }
}

TEST_F(SettingsStoreTest, AsideNamesDoNotCollideAndUnopenableFilesAreMovedAside) {
    // Something at settings.json that cannot be opened as a file (here a folder) is moved
    // aside whole.
    ASSERT_TRUE(QDir().mkpath(settingsFile() + "/inner"));
    writeFile(folder() + "/settings.json.unreadable-20260304T050607Z", "older");
    const auto store = makeStore();
    EXPECT_EQ(store->settings(), AssistantSettings());
    EXPECT_TRUE(QFileInfo(settingsFile()).isFile());
    EXPECT_TRUE(QFileInfo(folder() + "/settings.json.unreadable-20260304T050607Z-2/inner").isDir());
    EXPECT_EQ(readFile(folder() + "/settings.json.unreadable-20260304T050607Z"), "older");
}

TEST_F(SettingsStoreTest, SaveFailureIsLoggedAndTheValueKept) {
    // A file where the data folder should be: the folder cannot be made, saving fails.
    writeFile(folder());
    const auto store = makeStore();
    store->update([](AssistantSettings& s) { s.aboutMe = "ich"; });
    EXPECT_EQ(store->settings().aboutMe, "ich");
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(
        log.lines.first().startsWith("[Tavrin] Einstellungen konnten nicht gespeichert werden: "));
}

TEST_F(SettingsStoreTest, KillDuringSaveLoopLeavesAReadableFile) {
    for (int round = 0; round < 4; ++round) {
        QProcess loop;
        loop.start(SAVE_LOOP_PROGRAM, {support.path()});
        ASSERT_TRUE(loop.waitForStarted());
        // The program prints a line once its first save is on disk.
        ASSERT_TRUE(loop.waitForReadyRead(20000));
        QThread::msleep(50 + 40 * round);
        ::kill(static_cast<pid_t>(loop.processId()), SIGKILL);
        ASSERT_TRUE(loop.waitForFinished(5000));

        const auto decoded = AssistantSettings::decode(readFile(settingsFile()));
        ASSERT_TRUE(decoded) << "round " << round;
        EXPECT_FALSE(decoded->droppedUserData);
        EXPECT_TRUE(decoded->settings.aboutMe.startsWith("Durchlauf "));
        EXPECT_TRUE(asideFiles().isEmpty());
    }
}
