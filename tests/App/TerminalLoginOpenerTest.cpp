#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AI/CLIEnvironment.h"
#include "App/TerminalLoginOpener.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeTerminalLauncher.h"
#include "Settings/SettingsStore.h"

using namespace Platform;

namespace {

ClipboardContents plainCopy(const QString& text) {
    return {ClipboardItem{{{QStringLiteral("text/plain"), text.toUtf8()}}}};
}

void placeStandIn(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(TAVRIN_FIXTURES_DIR "/setup/claude", path));
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

// The tools sit where their installers put them or where the user pointed the settings, not
// on the login shell's search path: the terminal's shell would not find them by name.
TEST(TerminalLoginOpener, RunsTheLocatedProgramOrLeavesItsCommandOnTheClipboard) {
    const QString localBin = QDir::homePath() + "/.local/bin";
    QTemporaryDir elsewhere;
    const QString ownFolder = elsewhere.filePath("Peter's Tools");
    placeStandIn(localBin + "/claude");
    placeStandIn(ownFolder + "/codex");
    QFile::remove(localBin + "/codex");

    struct Case {
        ProviderID provider;
        QString customPath;
        bool terminalStarts;
        QStringList command;
        std::optional<QString> pasted;  // none: the clipboard keeps what it had
    };
    const Case cases[] = {
        {ProviderID::claudeCLI, "", true, {localBin + "/claude", "auth", "login"}, std::nullopt},
        {ProviderID::codexCLI,
         ownFolder + "/codex",
         true,
         {ownFolder + "/codex", "login"},
         std::nullopt},
        {ProviderID::claudeCLI,
         "",
         false,
         {localBin + "/claude", "auth", "login"},
         localBin + "/claude auth login"},
        // The user's earlier content is gone: exactly the command is there to paste, the
        // path one word for the shell.
        {ProviderID::codexCLI,
         " " + ownFolder + "/codex ",
         false,
         {ownFolder + "/codex", "login"},
         "'" + elsewhere.path() + "/Peter'\\''s Tools/codex' login"},
    };
    const ClipboardContents before{
        ClipboardItem{{{QStringLiteral("text/plain"), QByteArray("Vorher")},
                       {QStringLiteral("text/html"), QByteArray("<i>Vorher</i>")}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command.join(' ').toStdString());
        QTemporaryDir support;
        FakeLoginItem loginItem;
        FakeSystemLog log;
        FakeClock clock;
        SettingsStore settings{support.path(), {loginItem, log, clock}};
        settings.update([&](AssistantSettings& s) { s.claudePath = s.codexPath = c.customPath; });
        FakeTerminalLauncher terminals;
        terminals.starts = c.terminalStarts;
        FakeClipboard clipboard;
        clipboard.writeAsOtherProgram(before);

        TerminalLoginOpener opener(terminals, clipboard, settings);
        opener.openLogin(c.provider);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !terminals.commands.empty(); }, 10000));
        ASSERT_EQ(terminals.commands.size(), 1u);
        EXPECT_EQ(terminals.commands[0], c.command);
        EXPECT_EQ(clipboard.contents, c.pasted ? plainCopy(*c.pasted) : before);
    }
}

}  // namespace
