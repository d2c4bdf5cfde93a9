#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "AI/CLIEnvironment.h"
#include "AI/LineProcess.h"
#include "support/ProcessGroups.h"

namespace {

const QString sh = QStringLiteral("/bin/sh");

struct Finished {
    QList<QByteArray> lines;
    std::optional<AIResult<LineProcess::Output>> result;
};

Finished runAndWait(const QString& script, const std::optional<QByteArray>& input = std::nullopt,
                    const QString& workingDirectory = QDir::tempPath()) {
    Finished finished;
    auto run = LineProcess::run(
        sh, {"-c", script}, input, workingDirectory,
        [&](const QByteArray& line) { finished.lines << line; },
        [&](AIResult<LineProcess::Output> result) { finished.result = result; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.result.has_value(); }, 20000))
        << script.toStdString();
    return finished;
}

AIResult<QString> collectAndWait(const QString& script) {
    std::optional<AIResult<QString>> result;
    auto run = LineProcess::collect(sh, {"-c", script}, QDir::tempPath(),
                                    [&](AIResult<QString> outcome) { result = outcome; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 20000)) << script.toStdString();
    return result.value_or(AIError::failed("timed out"));
}

}  // namespace

TEST(LineProcessTest, RunHandsOverLinesStatusAndStandardError) {
    struct Case {
        const char* script;
        std::optional<QByteArray> input;
        QList<QByteArray> lines;
        int status;
        QString stderr;
    };
    const Case cases[] = {
        {"echo a; echo b; echo c", {}, {"a", "b", "c"}, 0, ""},
        {"printf 'a\\nlast without line feed'", {}, {"a", "last without line feed"}, 0, ""},
        {"printf 'crlf\\r\\n\\nnext\\r\\n'", {}, {"crlf", "", "next"}, 0, ""},
        {"echo 'ein Ü'; echo oops >&2; exit 1", {}, {"ein Ü"}, 1, "oops\n"},
        {"printf '\\377' >&2; exit 0", {}, {}, 0, ""},
        {"kill -9 $$", {}, {}, 9, ""},
        {"cat; echo end", {}, {"end"}, 0, ""},
        {"cat", QByteArray("x\ny"), {"x", "y"}, 0, ""},
    };
    for (const Case& c : cases) {
        const Finished finished = runAndWait(c.script, c.input);
        ASSERT_TRUE(finished.result && finished.result->hasValue()) << c.script;
        EXPECT_EQ(finished.lines, c.lines) << c.script;
        EXPECT_EQ(finished.result->value().status, c.status) << c.script;
        EXPECT_EQ(finished.result->value().stderr, c.stderr) << c.script;
    }
}

TEST(LineProcessTest, AHugeLineCostsAboutAsMuchAsTheSameBytesInShortLines) {
    // 128 MB either way: one line, or 128,000 lines of 1,000 bytes.
    const auto measure = [](const QString& script, qsizetype expectedLongest) {
        qsizetype longest = 0;
        bool done = false;
        QEventLoop loop;
        QElapsedTimer timer;
        timer.start();
        auto run = LineProcess::run(
            sh, {"-c", script}, std::nullopt, QDir::tempPath(),
            [&](const QByteArray& line) { longest = std::max(longest, line.size()); },
            [&](AIResult<LineProcess::Output>) {
                done = true;
                loop.quit();
            });
        if (!done)
            loop.exec();
        EXPECT_EQ(longest, expectedLongest) << script.toStdString();
        return timer.elapsed();
    };
    const qint64 shortLines =
        measure("yes \"$(head -c 1000 /dev/zero | tr '\\0' x)\" | head -n 128000", 1000);
    const qint64 oneLine = measure("head -c 128000000 /dev/zero | tr '\\0' x; echo", 128000000);
    EXPECT_LT(oneLine, 3 * shortLines + 500) << "short lines took " << shortLines << " ms";
}

TEST(LineProcessTest, CollectJoinsLinesOrFailsWithTheErrorText) {
    const QString noise = QString(600, 'a') + QString(400, 'z');
    struct Case {
        QString script;
        AIResult<QString> expected;
    };
    const Case cases[] = {
        {"echo a; echo b; echo c; echo ignored >&2", QString("a\nb\nc")},
        {"exit 3", AIError::failed("Befehl fehlgeschlagen (Code 3)")},
        {"printf '  \\n \\n' >&2; exit 4", AIError::failed("Befehl fehlgeschlagen (Code 4)")},
        {"echo out; printf '\\n\\n  " + noise + "\\n\\n' >&2; exit 1",
         AIError::failed(QString(400, 'z'))},
        {"printf 'kurz\\n' >&2; exit 1", AIError::failed("kurz")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(collectAndWait(c.script), c.expected) << c.script.toStdString();
}

TEST(LineProcessTest, StartFailuresComeAsProcessErrorsAfterRunReturned) {
    const std::pair<QString, QString> cases[] = {
        {"/nonexistent/tool", QDir::tempPath()},
        {sh, "/nonexistent/folder"},
        {QDir::tempPath(), QDir::tempPath()},
    };
    for (const auto& [executable, folder] : cases) {
        bool sawLine = false;
        std::optional<AIResult<LineProcess::Output>> result;
        auto run = LineProcess::run(
            executable, {"-c", "echo hi"}, std::nullopt, folder,
            [&](const QByteArray&) { sawLine = true; },
            [&](AIResult<LineProcess::Output> outcome) { result = outcome; });
        EXPECT_FALSE(result);
        ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        ASSERT_FALSE(result->hasValue());
        ASSERT_NE(result->failure().processError(), nullptr);
        EXPECT_EQ(result->failure().processError()->kind, ProcessError::Kind::failedToStart);
        EXPECT_FALSE(result->failure().errorDescription().isEmpty());
        EXPECT_FALSE(sawLine);
    }
}

TEST(LineProcessTest, ChildRunsInItsFolderWithTheSearchPathItsOwnGroupAndDefaultSigpipe) {
    QTemporaryDir folder;
    const int leaked = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(leaked, 3);
    const Finished finished =
        runAndWait(QString("echo \"$PATH\"; pwd -P; cut -d' ' -f5 /proc/$$/stat; "
                           "echo $$; grep SigIgn /proc/$$/status | cut -f2; "
                           "[ -e /proc/$$/fd/%1 ] && echo leaked || echo "
                           "closed")
                       .arg(leaked),
                   std::nullopt, folder.path());
    ::close(leaked);
    ASSERT_EQ(finished.lines.size(), 6);
    EXPECT_EQ(QString::fromUtf8(finished.lines[0]), CLIEnvironment::shellPATH());
    EXPECT_EQ(QString::fromUtf8(finished.lines[1]), QDir(folder.path()).canonicalPath());
    EXPECT_EQ(finished.lines[2], finished.lines[3]) << "process group is the child's own";
    const qulonglong ignored = finished.lines[4].toULongLong(nullptr, 16);
    EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << "SIGPIPE is not ignored in the child";
    EXPECT_EQ(finished.lines[5], "closed") << "no descriptor is inherited";

    struct sigaction current {};
    ::sigaction(SIGPIPE, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN) << "a dead reader never kills Tavrin";
}

TEST(LineProcessTest, LargeInputAndErrorOutputCannotDeadlock) {
    const QByteArray input(2 * 1024 * 1024, 'i');
    // Standard error first fills its pipe three times over before the child reads its input.
    const Finished finished = runAndWait("head -c 204800 /dev/zero | tr '\\0' e >&2; wc -c", input);
    ASSERT_TRUE(finished.result && finished.result->hasValue());
    ASSERT_EQ(finished.lines.size(), 1);
    EXPECT_EQ(finished.lines[0].trimmed(), "2097152");
    EXPECT_EQ(finished.result->value().stderr.size(), 204800);

    // A child that never reads its input: the write fails quietly.
    const Finished ignoring = runAndWait("exit 0", input);
    ASSERT_TRUE(ignoring.result && ignoring.result->hasValue());
    EXPECT_EQ(ignoring.result->value().status, 0);
}

TEST(LineProcessTest, CancelEndsTheRunAtOnceAndTheWholeGroupSoon) {
    struct Case {
        const char* name;
        const char* script;
        bool destroyInsteadOfCancel;
        int goneWithinMs;
    };
    const Case cases[] = {
        {"background sleeper keeps the pipe", "echo $$; sleep 60 & sleep 60", false, 1000},
        {"destroying the run", "echo $$; sleep 60 & sleep 60", true, 1000},
        {"group ignores SIGTERM", "trap '' TERM; echo $$; sleep 60 & sleep 60", false, 3500},
    };
    for (const Case& c : cases) {
        QList<QByteArray> lines;
        bool done = false;
        auto run = LineProcess::run(
            sh, {"-c", c.script}, std::nullopt, QDir::tempPath(),
            [&](const QByteArray& line) { lines << line; },
            [&](AIResult<LineProcess::Output>) { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !lines.isEmpty(); }, 5000)) << c.name;
        const qint64 group = lines[0].toLongLong();
        ASSERT_EQ(group, run->processId()) << c.name;
        QTest::qWait(50);  // let the background sleeper start
        ASSERT_GE(liveMembers(group), 2) << c.name;

        QElapsedTimer timer;
        timer.start();
        if (c.destroyInsteadOfCancel)
            run.reset();
        else
            run->cancel();
        EXPECT_LT(timer.elapsed(), 100) << c.name;
        EXPECT_TRUE(QTest::qWaitFor([&] { return liveMembers(group) == 0; }, c.goneWithinMs))
            << c.name;
        EXPECT_FALSE(done) << c.name << ": no callback after a cancel";
    }
}

// Quitting while a tool still works: the child is told to end and gets its grace period to
// clean up; whatever is left of its group then is killed, before its process object goes, so
// Qt has nothing to warn about.
TEST(LineProcessTest, QuittingWhileAChildRunsEndsItBeforeItsProcessObjectGoes) {
    QTemporaryDir folder;
    const QString cleaned = folder.filePath(QStringLiteral("cleaned"));
    const struct {
        const char* name;
        QString script;
        bool cleansUp;
    } cases[] = {
        {"a child that ignores the request is killed", "trap '' TERM; echo $$; sleep 60 & sleep 60",
         false},
        {"a child that takes a moment to clean up gets it",
         "trap 'sleep 0.3; echo done > " + cleaned + "; exit 0' TERM; echo $$; sleep 60 & wait",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QProcess program;
        program.start(QStringLiteral(QUIT_WHILE_A_CHILD_RUNS), {c.script});
        ASSERT_TRUE(program.waitForFinished(20000));
        const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(program.exitCode(), 0) << output.toStdString() << errors.toStdString();
        EXPECT_FALSE(errors.contains("QProcess: Destroyed while process")) << errors.toStdString();
        const QRegularExpressionMatch group = QRegularExpression("group (\\d+)").match(output);
        ASSERT_TRUE(group.hasMatch()) << output.toStdString();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return liveMembers(group.captured(1).toLongLong()) == 0; }, 3000));
        EXPECT_EQ(QFile::exists(cleaned), c.cleansUp);
    }
}

TEST(LineProcessTest, CallbacksMayCancelOrDestroyTheRun) {
    for (const bool destroy : {false, true}) {
        QList<QByteArray> lines;
        bool done = false;
        std::unique_ptr<ProcessRun> run;
        run = LineProcess::run(
            sh, {"-c", "echo a; echo b; echo c"}, std::nullopt, QDir::tempPath(),
            [&](const QByteArray& line) {
                lines << line;
                if (destroy)
                    run.reset();
                else
                    run->cancel();
            },
            [&](AIResult<LineProcess::Output>) { done = true; });
        QTest::qWait(300);
        EXPECT_EQ(lines, QList<QByteArray>{"a"});
        EXPECT_FALSE(done);
    }

    // Without a line handler the output is simply not looked at.
    std::unique_ptr<ProcessRun> run;
    bool done = false;
    run = LineProcess::run(sh, {"-c", "echo unread; printf last"}, std::nullopt, QDir::tempPath(),
                           {}, [&](AIResult<LineProcess::Output>) {
                               done = true;
                               run.reset();
                           });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
}

TEST(LineProcessTest, RunEndsWhenTheChildExitsEvenIfABackgroundProcessHoldsItsOutput) {
    QElapsedTimer timer;
    timer.start();
    const Finished finished = runAndWait("echo a; sleep 3 &");
    EXPECT_LT(timer.elapsed(), 2500);
    EXPECT_EQ(finished.lines, QList<QByteArray>{"a"});
}
