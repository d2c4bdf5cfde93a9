#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include "AI/ProviderInstaller.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace {

const QString searchPath = QStringLiteral("/usr/bin:/bin");

dev_t deviceOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_dev;
}

// A gzip-compressed tar archive in `folder` holding one file per name, each with its name as
// content.
QString makeArchive(const QString& folder, const QStringList& members) {
    const QString staging = folder + "/staging";
    for (const QString& member : members)
        writeFile(staging + "/" + member, member.toUtf8());
    const QString archive = folder + "/codex-x86_64-unknown-linux-musl.tar.gz";
    QProcess tar;
    tar.start("tar", QStringList{"czf", archive, "-C", staging} + members);
    EXPECT_TRUE(tar.waitForFinished(10000));
    EXPECT_EQ(tar.exitCode(), 0);
    return archive;
}

// A private home and temporary folder for one install. The temporary folder lies on
// another file system where the machine has one (/dev/shm), and its name needs quoting.
struct InstallSandbox {
    QTemporaryDir home;
    QTemporaryDir downloads;
    QTemporaryDir temporary{QDir("/dev/shm").exists()
                                ? "/dev/shm/tavrin it's $(x)-XXXXXX"
                                : QDir::tempPath() + "/tavrin it's $(x)-XXXXXX"};
    ScopedEnv homeVariable{"HOME", home.path()};
    ScopedEnv temporaryVariable{"TMPDIR", temporary.path()};

    QString bin() const { return home.path() + "/.local/bin"; }
    ProviderInstaller::Sources sources() const {
        return {QUrl::fromLocalFile(downloads.path() + "/install.sh").toString(),
                QUrl::fromLocalFile(downloads.path()).toString() + "/"};
    }
    QStringList scratchLeft() const {
        return QDir(temporary.path()).entryList({"tavrin-codex-*"}, QDir::AllEntries);
    }
};

}  // namespace

TEST(ProviderInstallerTest, LastLineSkipsEmptyPiecesAndKeepsBlanks) {
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"\n\r\n", ""},
        {"first\nsecond\n\n", "second"},
        {"one\r\ntwo  \r\n", "two  "},
        {"a\vb\fc", "c"},
        {QString("x") + QChar(0x2028) + "y" + QChar(0x0085), "y"},
        {"only", "only"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ProviderInstaller::lastLine(text), expected) << text.toStdString();
}

TEST(ProviderInstallerTest, CodexBuildFollowsTheArchitecture) {
    EXPECT_EQ(ProviderInstaller::codexTarget("x86_64"), "x86_64-unknown-linux-musl");
    EXPECT_EQ(ProviderInstaller::codexTarget("arm64"), "aarch64-unknown-linux-musl");
    EXPECT_EQ(ProviderInstaller::codexTarget("aarch64"), "aarch64-unknown-linux-musl");
    EXPECT_EQ(ProviderInstaller::codexTarget("i386"), std::nullopt);
}

TEST(ProviderInstallerTest, ClaudeScriptMustLeaveAnExecutable) {
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"mkdir -p \"$HOME/.local/bin\"\nprintf '#!/bin/sh\\n' > \"$HOME/.local/bin/claude\"\n"
         "chmod 755 \"$HOME/.local/bin/claude\"\necho installed\n",
         std::nullopt},
        {"echo downloading\necho 'done, but nothing placed'\n",
         "Claude Code konnte nicht installiert werden. done, but nothing placed"},
        {"mkdir -p \"$HOME/.local/bin\"\ntouch \"$HOME/.local/bin/claude\"\necho placed\n",
         "Claude Code konnte nicht installiert werden. placed"},
        {"echo 'Platform not supported' >&2\nexit 1\n",
         "Claude Code konnte nicht installiert werden. Platform not supported"},
        {"exit 3\n", "Claude Code konnte nicht installiert werden. "},
    };
    for (const auto& [script, message] : cases) {
        InstallSandbox sandbox;
        writeFile(sandbox.downloads.path() + "/install.sh", script);
        EXPECT_EQ(ProviderInstaller::installClaude(sandbox.sources(), searchPath), message)
            << script;
    }
}

TEST(ProviderInstallerTest, AFailedScriptDownloadFailsEvenWithAnOldProgramInPlace) {
    InstallSandbox sandbox;
    writeFile(sandbox.bin() + "/claude", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(sandbox.bin() + "/claude").constData(), 0755);
    // No install.sh in the downloads folder: curl fails, bash reads an empty script.
    const auto message = ProviderInstaller::installClaude(sandbox.sources(), searchPath);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->startsWith("Claude Code konnte nicht installiert werden."));
}

TEST(ProviderInstallerTest, CodexDownloadFailuresNameTheLastLine) {
    // An archive without the program for this machine, and no archive at all.
    for (const QStringList& members : {QStringList{"codex-aarch64-apple-darwin"}, QStringList{}}) {
        InstallSandbox sandbox;
        if (!members.isEmpty())
            makeArchive(sandbox.downloads.path(), members);
        const auto message =
            ProviderInstaller::installCodex(sandbox.sources(), searchPath, "x86_64");
        ASSERT_TRUE(message);
        EXPECT_TRUE(message->startsWith("Codex konnte nicht geladen werden. "))
            << message->toStdString();
        EXPECT_FALSE(QFile::exists(sandbox.bin() + "/codex"));
        EXPECT_TRUE(sandbox.scratchLeft().isEmpty());
        EXPECT_TRUE(QDir(sandbox.bin()).exists());
    }
}

TEST(ProviderInstallerTest, MoveFileCopiesAcrossFileSystems) {
    if (!QDir("/dev/shm").exists())
        GTEST_SKIP() << "no second file system";
    QTemporaryDir there("/dev/shm/tavrin-move-XXXXXX");
    QTemporaryDir here;
    if (deviceOf(there.path()) == deviceOf(here.path()))
        GTEST_SKIP() << "one file system only";
    writeFile(there.path() + "/program", "content");
    EXPECT_EQ(ProviderInstaller::moveFile(there.path() + "/program", here.path() + "/program"),
              std::nullopt);
    EXPECT_EQ(readFile(here.path() + "/program"), "content");
    EXPECT_FALSE(QFile::exists(there.path() + "/program"));
    EXPECT_TRUE(ProviderInstaller::moveFile(there.path() + "/missing", here.path() + "/x"));

    // Over an existing file: replaced whole; a move that fails leaves it as it was.
    writeFile(there.path() + "/program", "new");
    EXPECT_EQ(ProviderInstaller::moveFile(there.path() + "/program", here.path() + "/program"),
              std::nullopt);
    EXPECT_EQ(readFile(here.path() + "/program"), "new");
    QDir(there.path()).mkdir("folder");
    EXPECT_TRUE(ProviderInstaller::moveFile(there.path() + "/folder", here.path() + "/program"));
    EXPECT_EQ(readFile(here.path() + "/program"), "new");
    EXPECT_EQ(QDir(here.path()).entryList(QDir::Files), QStringList{"program"});
}

// The new program replaces the old one, also from a temporary folder on another file system.
// The unpacking happens in a folder only the user can enter, with a umask that keeps what tar
// writes private, and the folder's name reaches tar as one word whatever it contains.
TEST(ProviderInstallerTest, CodexReplacesTheOldProgramFromAPrivateScratchFolder) {
    InstallSandbox sandbox;
    makeArchive(sandbox.downloads.path(), {"codex-x86_64-unknown-linux-musl"});
    writeFile(sandbox.bin() + "/codex", "old program");
    ::chmod(QFile::encodeName(sandbox.bin() + "/codex").constData(), 0700);
    QTemporaryDir spy;
    writeFile(spy.path() + "/tar",
              "#!/bin/sh\n"
              "for argument; do last=$argument; done\n"
              "stat -c %a \"$last\" > \"$SPY/mode\"\n"
              "umask > \"$SPY/umask\"\n"
              "printf '%s' \"$last\" > \"$SPY/path\"\n"
              "exec /bin/tar \"$@\"\n");
    ::chmod(QFile::encodeName(spy.path() + "/tar").constData(), 0755);
    ScopedEnv spyVariable("SPY", spy.path());

    EXPECT_EQ(
        ProviderInstaller::installCodex(sandbox.sources(), spy.path() + ":" + searchPath, "x86_64"),
        std::nullopt);
    EXPECT_EQ(readFile(sandbox.bin() + "/codex"), "codex-x86_64-unknown-linux-musl");
    EXPECT_EQ(modeOf(sandbox.bin() + "/codex"), 0755u);
    EXPECT_TRUE(sandbox.scratchLeft().isEmpty());
    RecordProperty("acrossFileSystems",
                   deviceOf(sandbox.temporary.path()) != deviceOf(sandbox.home.path()));
    EXPECT_EQ(readFile(spy.path() + "/mode").trimmed(), "700");
    EXPECT_EQ(readFile(spy.path() + "/umask").trimmed(), "0077");
    const QString scratch = QString::fromUtf8(readFile(spy.path() + "/path"));
    EXPECT_TRUE(scratch.startsWith(sandbox.temporary.path() + "/tavrin-codex-"))
        << scratch.toStdString();
    EXPECT_EQ(scratch.size(), sandbox.temporary.path().size() + 14 + 36);
    EXPECT_EQ(scratch.right(36), scratch.right(36).toUpper());
}

// Without a scratch folder nothing is downloaded: the install fails at once with the system's
// reason, and an old program stays in place.
TEST(ProviderInstallerTest, CodexWithoutAScratchFolderFailsBeforeTheDownload) {
    InstallSandbox sandbox;
    makeArchive(sandbox.downloads.path(), {"codex-x86_64-unknown-linux-musl"});
    writeFile(sandbox.bin() + "/codex", "old program");
    QTemporaryFile notAFolder;
    ASSERT_TRUE(notAFolder.open());
    ScopedEnv temporary("TMPDIR", notAFolder.fileName());
    QTemporaryDir spy;
    writeFile(spy.path() + "/curl", "#!/bin/sh\ntouch \"$SPY/ran\"\nexec /usr/bin/curl \"$@\"\n");
    ::chmod(QFile::encodeName(spy.path() + "/curl").constData(), 0755);
    ScopedEnv spyVariable("SPY", spy.path());

    EXPECT_EQ(
        ProviderInstaller::installCodex(sandbox.sources(), spy.path() + ":" + searchPath, "x86_64"),
        "Codex konnte nicht geladen werden. Not a directory");
    EXPECT_FALSE(QFile::exists(spy.path() + "/ran"));
    EXPECT_EQ(readFile(sandbox.bin() + "/codex"), "old program");
}
