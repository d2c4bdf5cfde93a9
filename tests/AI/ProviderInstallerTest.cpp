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
        return QDir(temporary.path())
            .entryList({"tavrin-codex-*", "tavrin-claude-*"}, QDir::AllEntries);
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
    const QString failed = "Claude Code konnte nicht installiert werden. ";
    const QString nothingPlaced =
        failed + "Das Installationsprogramm hat kein Programm in ~/.local/bin abgelegt.";
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"mkdir -p \"$HOME/.local/bin\"\nprintf '#!/bin/sh\\n' > \"$HOME/.local/bin/claude\"\n"
         "chmod 755 \"$HOME/.local/bin/claude\"\necho installed\n",
         std::nullopt},
        {"echo downloading\necho 'done, but nothing placed'\n", nothingPlaced},
        {"mkdir -p \"$HOME/.local/bin\"\ntouch \"$HOME/.local/bin/claude\"\necho placed\n",
         nothingPlaced},
        // The script's own words are its own; ours say whose they are.
        {"echo 'Platform not supported' >&2\nexit 1\n",
         failed + "Das Installationsprogramm meldet: Platform not supported"},
        {"exit 3\n", failed + "Das Installationsprogramm ist mit Fehler 3 abgebrochen."},
        // A download the script starts that fails is told as one.
        {"echo 'curl: (6) Could not resolve host: downloads.example' >&2\nexit 6\n",
         failed + "Der Download ist fehlgeschlagen: Der Server wurde nicht gefunden. Besteht "
                  "eine Internetverbindung?"},
    };
    for (const auto& [script, message] : cases) {
        InstallSandbox sandbox;
        writeFile(sandbox.downloads.path() + "/install.sh", script);
        EXPECT_EQ(ProviderInstaller::installClaude(sandbox.sources(), searchPath), message)
            << script;
        EXPECT_TRUE(sandbox.scratchLeft().isEmpty());
    }
}

TEST(ProviderInstallerTest, AFailedScriptDownloadFailsEvenWithAnOldProgramInPlace) {
    InstallSandbox sandbox;
    writeFile(sandbox.bin() + "/claude", "#!/bin/sh\n");
    ::chmod(QFile::encodeName(sandbox.bin() + "/claude").constData(), 0755);
    // No install.sh in the downloads folder: curl fails, bash reads an empty script.
    const auto message = ProviderInstaller::installClaude(sandbox.sources(), searchPath);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->startsWith(
        "Claude Code konnte nicht installiert werden. Der Download ist fehlgeschlagen: "))
        << message->toStdString();
}

// Where curl or the server says why a download failed, the user reads it in German, never
// curl's or tar's English line.
TEST(ProviderInstallerTest, AFailedDownloadSaysWhyInGerman) {
    struct Case {
        const char* curl;  // the stand-in's script; none: there is no curl
        QString reason;
    };
    const Case cases[] = {
        {"echo 'curl: (6) Could not resolve host: example.org' >&2; exit 6",
         "Der Server wurde nicht gefunden. Besteht eine Internetverbindung?"},
        {"echo 'curl: (22) The requested URL returned error: 404' >&2; exit 22",
         "Der Server antwortet mit Fehler 404."},
        {"exit 99", "curl meldet Fehler 99."},
        {nullptr, "curl ist nicht installiert (Paket curl)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.curl ? c.curl : "no curl");
        InstallSandbox sandbox;
        writeFile(sandbox.downloads.path() + "/install.sh", "exit 0\n");
        makeArchive(sandbox.downloads.path(), {"codex-x86_64-unknown-linux-musl"});
        QTemporaryDir tools;
        if (c.curl) {
            writeFile(tools.path() + "/curl", QByteArray("#!/bin/sh\n") + c.curl + "\n");
            ::chmod(QFile::encodeName(tools.path() + "/curl").constData(), 0755);
        }
        // Without curl nothing else is found either: bash answers 127 for it.
        const QString path = c.curl ? tools.path() + ":" + searchPath : tools.path();
        EXPECT_EQ(ProviderInstaller::installClaude(sandbox.sources(), path),
                  "Claude Code konnte nicht installiert werden. Der Download ist fehlgeschlagen: " +
                      c.reason);
        EXPECT_EQ(
            ProviderInstaller::installCodex(sandbox.sources(), path, "x86_64"),
            "Codex konnte nicht geladen werden. Der Download ist fehlgeschlagen: " + c.reason);
    }
}

TEST(ProviderInstallerTest, CodexLoadFailuresSayWhatWasWrong) {
    const QString notLoaded = "Codex konnte nicht geladen werden. ";
    const struct {
        QStringList members;  // of the archive; none: a page that is no archive
        QString message;
    } cases[] = {
        {{"codex-aarch64-apple-darwin"},
         notLoaded + "Im Archiv fehlt das Programm für diesen Rechner."},
        {{}, notLoaded + "Die heruntergeladene Datei ist kein lesbares Archiv."},
    };
    for (const auto& c : cases) {
        InstallSandbox sandbox;
        if (c.members.isEmpty())
            writeFile(sandbox.downloads.path() + "/codex-x86_64-unknown-linux-musl.tar.gz",
                      "<html>Not Found</html>");
        else
            makeArchive(sandbox.downloads.path(), c.members);
        const auto message =
            ProviderInstaller::installCodex(sandbox.sources(), searchPath, "x86_64");
        EXPECT_EQ(message, c.message);
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
        "Codex konnte nicht geladen werden. Wo ein Ordner sein sollte, liegt eine Datei.");
    EXPECT_FALSE(QFile::exists(spy.path() + "/ran"));
    EXPECT_EQ(readFile(sandbox.bin() + "/codex"), "old program");
}
