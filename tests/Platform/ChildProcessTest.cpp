#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QTest>
#include <thread>

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

// A Tavrin that dies without cleaning up (killed, or its display gone) must take its children
// along: in a group of their own, no terminal or session signal reaches them. The kernel
// tells a child of its parent's end when the thread that started it ends, which is how this
// is observed here.
TEST(ChildProcessTest, ChildEndsWithWhatStartedIt) {
    pid_t child = 0;
    std::thread starter([&child] {
        // As QProcess does, the starter learns of the exec through a pipe that closes then.
        int execed[2];
        if (::pipe2(execed, O_CLOEXEC) != 0)
            return;
        child = ::fork();
        if (child == 0) {
            Platform::ChildProcess::prepare();
            ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(execed[1]);
        char byte = 0;
        while (::read(execed[0], &byte, 1) > 0) {
        }
        ::close(execed[0]);
    });
    starter.join();
    ASSERT_GT(child, 0);

    int status = 0;
    const bool ended =
        QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 3000);
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ASSERT_TRUE(ended);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}
