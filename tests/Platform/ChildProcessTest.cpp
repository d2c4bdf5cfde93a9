#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>

#include "Platform/ChildProcess.h"

// The child reports what it got: whether our descriptor reached it, whether it leads its
// own process group, and its ignored-signal mask.
TEST(ChildProcessTest, ChildGetsItsOwnGroupNoDescriptorsAndTheUsualSigpipe) {
    Platform::ChildProcess::ignoreBrokenPipes();
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);  // deliberately without close-on-exec

    QProcess child;
    child.setChildProcessModifier(Platform::ChildProcess::prepare);
    const QString script = QStringLiteral(
                               "if [ -e /proc/$$/fd/%1 ]; then echo leaked; else echo closed; fi; "
                               "[ \"$(cut -d' ' -f5 /proc/$$/stat)\" = \"$$\" ] && echo leader; "
                               "grep SigIgn /proc/$$/status | cut -f2")
                               .arg(fds[0]);
    child.start("/bin/sh", {"-c", script});
    ASSERT_TRUE(child.waitForFinished(10000));
    ::close(fds[0]);
    ::close(fds[1]);

    const QStringList lines = QString::fromLatin1(child.readAllStandardOutput()).split('\n');
    ASSERT_GE(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], "closed");
    EXPECT_EQ(lines[1], "leader");
    const qulonglong ignored = lines[2].toULongLong(nullptr, 16);
    EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << lines[2].toStdString();
}
