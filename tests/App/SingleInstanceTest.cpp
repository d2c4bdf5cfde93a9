#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <cstring>

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

TEST(SingleInstanceTest, StaleSocketFileDoesNotBlockTheFirstStart) {
    QTemporaryDir runtime;
    const QString path = runtime.path() + "/tavrin.socket";
    writeFile(path);
    SingleInstance instance(path);
    EXPECT_EQ(instance.claim(100ms), SingleInstance::Role::Primary);
}

// Without a runtime folder the socket lies in the shared temporary folder, where another user
// can listen at its name first; answering there must not stop this user's Tavrin from starting.
TEST(SingleInstanceTest, AnotherUsersSocketIsNoRunningInstance) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to listen as another user";
    QTemporaryDir shared;
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
    const QByteArray path = QFile::encodeName(shared.path() + "/tavrin.socket");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t stranger = ::fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        // Only calls that are safe after fork: become "nobody", listen, wait to be killed.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
            ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener, 4) != 0)
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
