#include <gtest/gtest.h>
#include <signal.h>

#include <QTemporaryDir>
#include <QTest>

#include "Platform/linux/XdgTerminalLauncher.h"
#include "support/Files.h"

using namespace Platform;

namespace {

// The first terminal of the list on this machine runs the command, and its window stays
// open afterwards: the shell that ran it still lives once the command has ended.
TEST(XdgTerminalLauncherX11, RunsTheCommandAndKeepsTheWindowOpen) {
    QTemporaryDir scratch;
    const QString shellPidFile = scratch.filePath("shell");
    XdgTerminalLauncher launcher(QStringLiteral("/bin/sh"));
    ASSERT_TRUE(launcher.runInTerminal({"sh", "-c", "echo $PPID > \"$1\"", "sh", shellPidFile}));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return readFile(shellPidFile).trimmed().toInt() > 0; }, 10000));
    const pid_t shell = readFile(shellPidFile).trimmed().toInt();
    QTest::qWait(500);
    EXPECT_EQ(::kill(shell, 0), 0) << "the window closed with the command";
    ::kill(shell, SIGHUP);
}

}  // namespace
