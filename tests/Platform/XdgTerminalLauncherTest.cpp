#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "Platform/linux/XdgTerminalLauncher.h"

using namespace Platform;

namespace {

const QString shell = QStringLiteral("/bin/bash");

TEST(XdgTerminalLauncher, TriesTerminalsInOrderUntilOneStarts) {
    struct Case {
        const char* name;
        QStringList installed;
        QStringList expectedTries;
        bool expectedResult;
    };
    const Case cases[] = {
        {"the alternative first", {"x-terminal-emulator", "xterm"}, {"x-terminal-emulator"}, true},
        {"konsole without the alternative",
         {"konsole", "xterm"},
         {"x-terminal-emulator", "gnome-terminal", "konsole"},
         true},
        {"xterm last",
         {"xterm"},
         {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"},
         true},
        {"none",
         {},
         {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "xterm"},
         false},
    };
    for (const Case& c : cases) {
        QStringList tries;
        XdgTerminalLauncher launcher(shell, [&](const QString& program, const QStringList&) {
            tries << program;
            return c.installed.contains(program);
        });
        EXPECT_EQ(launcher.runInTerminal({"claude", "auth", "login"}), c.expectedResult) << c.name;
        EXPECT_EQ(tries, c.expectedTries) << c.name;
    }
}

}  // namespace

namespace {

// What the terminal runs, run here without a terminal: the words reach the program as they
// were, and the shell that follows ends with its input.
TEST(XdgTerminalLauncher, TheShellRunsTheCommandWordForWord) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QStringList command{"printf", "<%s>", "a b'c", "$HOME", "`id`", ""};
    const QStringList candidate = XdgTerminalLauncher::candidates(shell, command).last();
    const QStringList run = candidate.mid(candidate.indexOf(shell));
    QProcess process;
    QProcessEnvironment environment;
    environment.insert("HOME", home.path());
    environment.insert("PATH", "/usr/bin:/bin");
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(run.first(), run.mid(1));
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("<a b'c><$HOME><`id`><>"));
}

}  // namespace
