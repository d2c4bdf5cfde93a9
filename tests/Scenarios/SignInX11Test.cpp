#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/Files.h"
#include "support/ScenarioDesktop.h"

namespace {

void writeProgram(const QString& path, const QByteArray& script) {
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path, script);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

// The AI tool lives where its installer puts it, in ~/.local/bin, which the login shell's
// search path lacks. Tavrin finds it there and asks it; the tool says the user is not signed
// in, and "Anmelden …" on the problem card opens a terminal whose command reaches that very
// program. The stand-in terminal runs what it is given, as a real one would.
TEST_F(ScenarioTest, SignInFromTheProblemCardRunsTheToolFoundOutsideTheShellsPath) {
    QTemporaryDir trap;
    QTemporaryDir terminalFolder;
    const QString tool = desktop.homePath("home/.local/bin/claude");
    writeProgram(tool, "#!/bin/sh\n" + readFile(TAVRIN_FIXTURES_DIR "/bin/fake-tool.sh"));
    writeProgram(terminalFolder.filePath("x-terminal-emulator"),
                 "#!/bin/sh\n"
                 "printf '%s\\0' \"$@\" > \"$SCENARIO_TRAP/terminal\"\n"
                 "[ \"$1\" = -e ] && shift\n"
                 "TAVRIN_FAKE_RECORD=\"$SCENARIO_TRAP/login\" TAVRIN_FAKE_REPLAY= \"$@\" "
                 "< /dev/null > \"$SCENARIO_TRAP/terminal-output\" 2>&1\n");
    desktop.environment.insert("SCENARIO_TRAP", trap.path());
    desktop.environment.insert("PATH",
                               terminalFolder.path() + ":" + desktop.environment.value("PATH"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/not-signed-in.jsonl"));
    desktop.environment.insert("TAVRIN_FAKE_EXIT", "1");
    const QString folder = desktop.homePath("data/") + Platform::AppPaths::applicationId();
    QDir().mkpath(folder);
    writeFile(folder + "/settings.json",
              R"({"onboardingCompleted": true, "includeScreenshot": false})");

    desktop.startTavrin();
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    QTest::qWait(300);
    desktop.type(QStringLiteral("Hallo"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return bool(desktop.element(QStringLiteral("push button"), "Anmelden …")); }, 15000))
        << "no problem card with its sign-in button";
    ASSERT_TRUE(desktop.click(QStringLiteral("push button"), "Anmelden …"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(trap.filePath("login.argv")); }, 15000))
        << "the login command never reached the tool; the terminal said: "
        << readFile(trap.filePath("terminal-output")).toStdString();
    EXPECT_EQ(readFile(trap.filePath("login.argv")), QByteArray("auth\0login\0", 11));
    const QList<QByteArray> words = readFile(trap.filePath("terminal")).split('\0');
    ASSERT_GE(words.size(), 4);
    EXPECT_EQ(words.mid(words.size() - 4, 3),
              (QList<QByteArray>{QFile::encodeName(tool), "auth", "login"}));
}

}  // namespace
