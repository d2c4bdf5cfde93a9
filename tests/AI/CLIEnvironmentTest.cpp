#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <thread>

#include "AI/CLIEnvironment.h"
#include "Platform/AppPaths.h"
#include "support/Files.h"

namespace {

QString home() {
    return Platform::AppPaths::homeFolder();
}

QString fallbackFolders() {
    return home() + "/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin";
}

void writeProgram(const QString& path) {
    writeFile(path, "#!/bin/sh\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

// Start-up files for whichever login shell the user has; only one of them is read.
class CLIEnvironmentTest : public ::testing::Test {
protected:
    void setProfile(const QByteArray& script) {
        for (const char* name : {"/.bash_profile", "/.profile", "/.zprofile"})
            writeFile(home() + name, script);
        CLIEnvironment::forgetShellPATH();
    }

    void TearDown() override {
        for (const char* name : {"/.bash_profile", "/.profile", "/.zprofile", "/shell-runs"})
            QFile::remove(home() + name);
        CLIEnvironment::forgetShellPATH();
    }

    int shellRuns() { return readFile(home() + "/shell-runs").count('\n'); }
};

}  // namespace

TEST_F(CLIEnvironmentTest, SearchPathIsTheShellsMarkedPathPlusMissingFolders) {
    struct Case {
        const char* name;
        QByteArray profile;
        QString expected;
    };
    const QString fallback = fallbackFolders();
    const Case cases[] = {
        {"empty pieces dropped, duplicates kept, /usr/bin once",
         "export PATH=\"/opt/a::/usr/bin:/opt/b:/opt/a\"\n",
         "/opt/a:/usr/bin:/opt/b:/opt/a:" + home() +
             "/.local/bin:/opt/homebrew/bin:/usr/local/bin:/bin:/usr/sbin:/sbin"},
        {"a greeting before the marker", "echo 'Willkommen __P__'; export PATH=/opt/g\n",
         "/opt/g:" + fallback},
        {"a profile far chattier than a pipe holds",
         "head -c 300000 /dev/zero | tr '\\0' x; echo; export PATH=/opt/c\n", "/opt/c:" + fallback},
        {"bytes that are not UTF-8", "printf '\\377\\n'; export PATH=/opt/u\n", fallback},
        {"a profile that ends the shell", "exit 0\n", fallback},
    };
    for (const Case& c : cases) {
        setProfile(c.profile);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(CLIEnvironment::shellPATH(), c.expected) << c.name;
        EXPECT_LT(timer.elapsed(), 3000) << c.name;
    }
}

TEST_F(CLIEnvironmentTest, AShellThatNeverFinishesGivesTheFallbackAfterFiveSeconds) {
    setProfile("echo $$ > \"$HOME/probe-pid\"; sleep 30\n");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(CLIEnvironment::shellPATH(), fallbackFolders());
    EXPECT_GE(timer.elapsed(), 4900);
    EXPECT_LT(timer.elapsed(), 6500);

    const QByteArray pid = readFile(home() + "/probe-pid").trimmed();
    ASSERT_FALSE(pid.isEmpty());
    EXPECT_FALSE(QFile::exists("/proc/" + pid + "/status")) << "the shell was ended and reaped";
}

TEST_F(CLIEnvironmentTest, ConcurrentFirstCallersShareOneShellRun) {
    setProfile("echo run >> \"$HOME/shell-runs\"; sleep 0.3; export PATH=/opt/once\n");
    std::vector<QString> answers(50);
    std::vector<std::thread> callers;
    for (QString& answer : answers)
        callers.emplace_back([&answer] { answer = CLIEnvironment::shellPATH(); });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(shellRuns(), 1);
    for (const QString& answer : answers)
        EXPECT_EQ(answer, "/opt/once:" + fallbackFolders());

    CLIEnvironment::forgetShellPATH();
    EXPECT_FALSE(CLIEnvironment::cachedShellPATH().has_value());
    CLIEnvironment::shellPATH();
    EXPECT_EQ(shellRuns(), 2) << "an emptied cache asks the shell again";
}

TEST_F(CLIEnvironmentTest, ForgettingNeverWaitsForAProbeUnderWay) {
    setProfile("echo run >> \"$HOME/shell-runs\"; sleep 1; export PATH=/opt/slow\n");
    std::thread probing([] { CLIEnvironment::shellPATH(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return shellRuns() == 1; }, 3000));

    // The installer's completion forgets on the main thread.
    QElapsedTimer timer;
    timer.start();
    CLIEnvironment::forgetShellPATH();
    EXPECT_LT(timer.elapsed(), 200);
    probing.join();

    EXPECT_FALSE(CLIEnvironment::cachedShellPATH().has_value())
        << "what the probe under way found is already out of date";
    CLIEnvironment::shellPATH();
    EXPECT_EQ(shellRuns(), 2);
}

// Installs and status checks may hold every thread of the shared pool for minutes: the answers
// must not queue behind them, and they reach only callers whose context still lives.
TEST_F(CLIEnvironmentTest, AsynchronousAnswersArriveWhileTheContextLivesAndThePoolIsBusy) {
    setProfile("export PATH=/opt/async\n");
    QThreadPool* shared = QThreadPool::globalInstance();
    const int threads = shared->maxThreadCount();
    QSemaphore release;
    for (int i = 0; i < threads; ++i)
        shared->start([&release] { (void)release.tryAcquire(1, 20000); });

    bool contextGoneCalled = false;
    {
        QObject shortLived;
        CLIEnvironment::shellPATHAsync(&shortLived,
                                       [&](const QString&) { contextGoneCalled = true; });
    }
    QObject context;
    QString path;
    std::optional<std::optional<QString>> found;
    CLIEnvironment::shellPATHAsync(&context, [&](const QString& answer) { path = answer; });
    CLIEnvironment::locateAsync("sh", "", &context,
                                [&](const std::optional<QString>& answer) { found = answer; });
    const bool answered =
        QTest::qWaitFor([&] { return !path.isEmpty() && found.has_value(); }, 3000);
    QTest::qWait(50);
    release.release(threads);
    shared->waitForDone();
    ASSERT_TRUE(answered);
    EXPECT_EQ(path, "/opt/async:" + fallbackFolders());
    EXPECT_EQ(*found, std::optional<QString>("/usr/bin/sh"));
    EXPECT_FALSE(contextGoneCalled);
}

TEST_F(CLIEnvironmentTest, LocateTakesAnExecutableCustomPathElseSearches) {
    const QString first = home() + "/first";
    const QString second = home() + "/second";
    // "rel" is a relative folder, as a PATH holding "." or "bin" has.
    setProfile(QString("export PATH=\"%1:%2/:rel\"\n").arg(first, second).toUtf8());
    writeProgram(first + "/both");
    writeProgram(second + "/both");
    writeProgram(second + "/tool");
    writeFile(first + "/plain", "not executable\n");
    writeProgram(home() + "/mine/tool");
    writeFile(home() + "/mine/inert", "text\n");
    QDir().mkpath(first + "/folder");
    QDir().mkpath(second + "/folder");
    writeProgram(home() + "/.local/bin/fresh");
    writeProgram(home() + "/rel/relative");

    struct Case {
        QString name;
        QString customPath;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"tool", "~/mine/tool", home() + "/mine/tool"},
        {"tool", " \t" + home() + "/mine/tool  ", home() + "/mine/tool"},
        {"tool", " ~/mine/tool", second + "//tool"},
        {"tool", "~/mine/missing", second + "//tool"},
        {"tool", "~/mine/inert", second + "//tool"},
        {"both", "", first + "/both"},
        {"plain", "", std::nullopt},
        {"folder", "", std::nullopt},
        {"fresh", "", home() + "/.local/bin/fresh"},
        {"nowhere", "", std::nullopt},
        // The tool starts in a folder of its own (a project, say): a relative path would be
        // looked up there, not where it was found.
        {"relative", "", home() + "/rel/relative"},
        {"tool", "mine/tool", home() + "/mine/tool"},
    };
    const QString started = QDir::currentPath();
    QDir::setCurrent(home());
    for (const Case& c : cases) {
        EXPECT_EQ(CLIEnvironment::locate(c.name, c.customPath), c.expected)
            << c.name.toStdString() << " / " << c.customPath.toStdString();
    }
    QDir::setCurrent(started);
}
