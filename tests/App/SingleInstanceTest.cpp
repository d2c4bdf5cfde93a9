#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "App/SingleInstance.h"
#include "support/Files.h"

using namespace std::chrono_literals;

namespace {

QProcessEnvironment environmentFor(const QTemporaryDir& runtime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

const QString noTrayMessage =
    "Tavrin läuft, aber es gibt keine Systemleiste, die sein Symbol zeigen kann. Sobald eine "
    "Systemleiste da ist, erscheint es dort.";

}  // namespace

TEST(SingleInstanceTest, SecondClaimHandsReopenToTheFirst) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    SingleInstance first(path);
    ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);

    SingleInstance second(path);
    EXPECT_EQ(second.claim(), SingleInstance::Role::Secondary);
    EXPECT_TRUE(reopened.wait(2000));
}

// The program connects to the signal only once it has built its windows; a second start that
// came in while it built them is answered then, once.
TEST(SingleInstanceTest, AReopenBeforeAnyoneListensIsKeptForTheFirstReceiver) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    SingleInstance first(path);
    ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
    SingleInstance second(path);
    ASSERT_EQ(second.claim(), SingleInstance::Role::Secondary);
    // The message is read while nobody listens for it.
    QTest::qWait(300);

    QSignalSpy reopened(&first, &SingleInstance::reopenRequested);
    EXPECT_TRUE(reopened.wait(2000));
    QTest::qWait(100);
    EXPECT_EQ(reopened.count(), 1);
}

// What reaches the running program over its socket, however the bytes are cut up on the way.
TEST(SingleInstanceTest, OnlyWholeReopenLinesReopen) {
    struct Case {
        const char* name;
        std::vector<QByteArray> pieces;
        int reopens;
    };
    const Case cases[] = {
        {"in one piece", {"reopen\n"}, 1},
        {"cut in the word", {"reo", "pen\n"}, 1},
        {"cut before the line end", {"reopen", "\n"}, 1},
        {"two at once", {"reopen\nreopen\n"}, 2},
        {"something else", {"quit\n"}, 0},
        {"never finished", {"reopen"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir runtime;
        const QString path = runtime.path() + "/tavrin.socket";
        SingleInstance running(path);
        ASSERT_EQ(running.claim(), SingleInstance::Role::Primary);
        QSignalSpy reopened(&running, &SingleInstance::reopenRequested);
        QLocalSocket client;
        client.connectToServer(path);
        ASSERT_TRUE(client.waitForConnected(1000));
        for (const QByteArray& piece : c.pieces) {
            client.write(piece);
            ASSERT_TRUE(client.waitForBytesWritten(1000));
            QTest::qWait(50);
        }
        client.disconnectFromServer();
        QTest::qWait(200);
        EXPECT_EQ(reopened.count(), c.reopens);
    }
}

// Whatever connects may send; a line that never ends is cut off instead of piling up.
TEST(SingleInstanceTest, ALineThatNeverEndsIsCutOff) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    SingleInstance running(path);
    ASSERT_EQ(running.claim(), SingleInstance::Role::Primary);
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);
    QLocalSocket client;
    client.connectToServer(path);
    ASSERT_TRUE(client.waitForConnected(1000));
    client.write(QByteArray(4096, 'x'));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return client.state() == QLocalSocket::UnconnectedState; }, 2000));
    EXPECT_EQ(reopened.count(), 0);
}

// A tool Tavrin starts inherits its open files; it must not keep the claim once Tavrin is gone,
// or every later start would take it for a running Tavrin.
TEST(SingleInstanceTest, AChildProcessDoesNotKeepTheClaimAlive) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    QProcess child;
    {
        SingleInstance first(path);
        ASSERT_EQ(first.claim(), SingleInstance::Role::Primary);
        child.start("sleep", {"5"});
        ASSERT_TRUE(child.waitForStarted());
    }
    SingleInstance next(path);
    EXPECT_EQ(next.claim(200ms), SingleInstance::Role::Primary);
    child.kill();
    child.waitForFinished();
}

TEST(SingleInstanceTest, StaleSocketFileDoesNotBlockTheFirstStart) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    writeFile(path);
    SingleInstance instance(path);
    EXPECT_EQ(instance.claim(100ms), SingleInstance::Role::Primary);
}

// Without a runtime folder the socket lies in the shared temporary folder, where another user
// can listen at its name first, and lock the file beside it that decides who is first;
// neither must stop this user's Tavrin from starting.
TEST(SingleInstanceTest, AnotherUsersSocketIsNoRunningInstance) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen as another user";
    QTemporaryDir shared;
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
    const QByteArray path = QFile::encodeName(shared.path() + "/tavrin.socket");
    const QByteArray lockPath = path + ".lock";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t stranger = ::fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        // Only calls that are safe after fork: become "nobody", listen, lock, wait to be killed.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 4) != 0)
            ::_exit(1);
        const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT, 0600);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0)
            ::_exit(1);
        (void)!::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    const bool listening = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);

    SingleInstance instance(QFile::decodeName(path));
    const SingleInstance::Role role = listening ? instance.claim() : SingleInstance::Role::Failed;
    ::kill(stranger, SIGKILL);
    ::waitpid(stranger, nullptr, 0);
    ASSERT_TRUE(listening);
    EXPECT_EQ(role, SingleInstance::Role::Primary);
}

TEST(TavrinProcessTest, SecondStartAsksTheFirstAndExits) {
    QTemporaryDir runtime;
    QProcess first;
    first.setProcessEnvironment(environmentFor(runtime));
    first.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(first.waitForStarted());
    const QString socket = runtime.path() + "/org.tavrin.Tavrin.socket";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000))
        << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(environmentFor(runtime));
    second.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    // Nothing opens yet on a second start: the user is told why, and (the offscreen platform
    // has no system tray) why no icon shows either.
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardError()),
              "Tavrin läuft bereits.\n" + noTrayMessage + "\n");
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    first.waitForFinished(5000);
    // The offscreen platform has no system tray: the first start says once that its icon
    // cannot show (beside what Qt itself warns there).
    const QString told = QString::fromUtf8(first.readAllStandardError());
    EXPECT_EQ(told.count("[Tavrin] " + noTrayMessage + "\n"), 1) << told.toStdString();
}

// Programs started at the same moment (a double click on a launcher): one runs on, every other
// one says so and ends well, however close together they came.
TEST(TavrinProcessTest, StartsAtTheSameMomentLeaveExactlyOneRunning) {
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir runtime;
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 4; ++i) {
            starts.push_back(std::make_unique<QProcess>());
            starts.back()->setProcessEnvironment(environmentFor(runtime));
            starts.back()->start(TAVRIN_EXECUTABLE, {});
        }
        for (auto& start : starts)
            ASSERT_TRUE(start->waitForStarted());
        // Every start but one ends; the one left is given time to end too, should it.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return std::count_if(starts.begin(), starts.end(), [](const auto& p) {
                           return p->state() == QProcess::NotRunning;
                       }) >= 3;
            },
            30000));
        QTest::qWait(500);
        int running = 0;
        for (auto& start : starts) {
            if (start->state() != QProcess::NotRunning) {
                ++running;
                continue;
            }
            EXPECT_EQ(start->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(start->exitCode(), 0);
            EXPECT_TRUE(start->readAllStandardError().startsWith("Tavrin läuft bereits.\n"));
        }
        EXPECT_EQ(running, 1);
        for (auto& start : starts) {
            start->terminate();
            start->waitForFinished(5000);
        }
    }
}

TEST(TavrinProcessTest, WithoutADisplayItExplainsInGerman) {
    struct Case {
        const char* display;
        const char* expected;
    };
    const Case cases[] = {
        {"", "Tavrin braucht eine X11-Sitzung: Es ist keine Anzeige gesetzt (DISPLAY ist leer)."},
        {":4711", "Tavrin braucht eine X11-Sitzung: Die Anzeige „:4711“ ist nicht erreichbar."},
    };
    for (const Case& c : cases) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        env.insert("DISPLAY", c.display);
        process.setProcessEnvironment(env);
        process.start(TAVRIN_EXECUTABLE, {});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).trimmed(),
                  QString::fromUtf8(c.expected));
    }
}

// Only a missing home stops the start; a data folder that cannot be made (here below a regular
// file) fails the saves later, each with its reason.
TEST(TavrinProcessTest, ADataFolderThatCannotBeMadeDoesNotStopTheStart) {
    QTemporaryDir runtime;
    QTemporaryFile blocker;
    ASSERT_TRUE(blocker.open());
    QProcessEnvironment env = environmentFor(runtime);
    env.insert("XDG_DATA_HOME", blocker.fileName() + "/data");
    QProcess tavrin;
    tavrin.setProcessEnvironment(env);
    tavrin.start(TAVRIN_EXECUTABLE, {});
    ASSERT_TRUE(tavrin.waitForStarted());
    const QString socket = runtime.path() + "/org.tavrin.Tavrin.socket";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QFile::exists(socket) || tavrin.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(tavrin.state(), QProcess::Running) << tavrin.readAllStandardError().toStdString();
    tavrin.terminate();
    tavrin.waitForFinished(5000);
}
