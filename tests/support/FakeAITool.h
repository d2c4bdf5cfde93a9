#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "AI/AIProvider.h"
#include "AI/Chunk.h"
#include "AI/ChunkStream.h"
#include "support/ProcessGroups.h"
#include "support/ScopedEnv.h"

// Drives the fake `claude` and `codex` programs in tests/fixtures/bin (see fake-tool.sh there)
// for one test: sets their environment for its lifetime and reads back what they recorded.
class FakeAITool {
public:
    // `replay`: a JSON-lines file under tests/fixtures ("claude/answer.jsonl"), or empty.
    explicit FakeAITool(const QString& replay = {}) {
        set("TAVRIN_FAKE_RECORD", record());
        set("TAVRIN_FAKE_REPLAY",
            replay.isEmpty() ? QString() : QStringLiteral(TAVRIN_FIXTURES_DIR "/") + replay);
    }

    // The fake program standing in for `tool` ("claude", "codex").
    static QString path(const QString& tool) {
        return QStringLiteral(TAVRIN_FIXTURES_DIR "/bin/") + tool;
    }

    // Sets one more variable for the fake: TAVRIN_FAKE_EXIT, _STDERR, _DELAY, _PAUSE or _HANG.
    void set(const char* name, const QString& value) {
        m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    }

    bool ran() const { return QFile::exists(record() + ".pid"); }
    QStringList arguments() const {
        QByteArray bytes = read("argv");
        QStringList arguments;
        while (!bytes.isEmpty()) {
            const qsizetype end = bytes.indexOf('\0');
            arguments << QString::fromUtf8(bytes.left(end));
            bytes.remove(0, end + 1);
        }
        return arguments;
    }
    QByteArray standardInput() const { return read("stdin"); }
    QString workingDirectory() const { return QString::fromUtf8(read("cwd")).trimmed(); }
    QStringList images() const {
        return QString::fromUtf8(read("images")).split('\n', Qt::SkipEmptyParts);
    }
    QByteArray image() const { return read("image"); }
    QString imageMode() const { return QString::fromUtf8(read("image-mode")).trimmed(); }
    qint64 pid() const { return read("pid").trimmed().toLongLong(); }
    qint64 grandchildPid() const { return read("grandchild-pid").trimmed().toLongLong(); }
    // The grandchild's id once the fake has started it (up to five seconds), else 0.
    qint64 waitForGrandchild() const {
        QElapsedTimer timer;
        timer.start();
        while (grandchildPid() <= 0 && timer.elapsed() < 5000)
            pause();
        return grandchildPid();
    }

    // True once the fake stops (TAVRIN_FAKE_PAUSE) for the `stop`-th time, waiting up to five
    // seconds; the lines before are then written to its output.
    bool waitUntilPaused(int stop) const {
        QElapsedTimer timer;
        timer.start();
        while (read("paused").trimmed().toInt() < stop && timer.elapsed() < 5000)
            pause();
        return read("paused").trimmed().toInt() >= stop;
    }
    // Lets the fake go on from its latest stop.
    void resume() {
        QFile file(record() + QStringLiteral(".resumed"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QByteArray::number(++m_resumed) + '\n');
    }

    // True once the process is gone (or a zombie nobody waits for any more is all that is
    // left of it), polled for up to `ms`.
    static bool processGone(qint64 pid, int ms = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (pid > 0 && ::kill(pid_t(pid), 0) != 0)
                return true;
            QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
            if (status.open(QIODevice::ReadOnly) && status.readAll().contains(") Z "))
                return true;
            pause();
        }
        return false;
    }

    // True once no process of the process group `group` is left but zombies, polled for up
    // to `ms`.
    static bool groupGone(qint64 group, int ms = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (liveMembers(group) == 0)
                return true;
            pause();
        }
        return false;
    }

private:
    static void pause() {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    QString record() const { return m_dir.path() + QStringLiteral("/record"); }
    QByteArray read(const char* suffix) const {
        QFile file(record() + '.' + QLatin1String(suffix));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
    int m_resumed = 0;
};

// Everything a stream delivered until it finished. The stream itself is kept, so that checks
// see what its end left behind before it is destroyed.
struct StreamOutcome {
    std::unique_ptr<ChunkStream> stream;
    QStringList chunks;
    bool finished = false;
    std::optional<AIFailure> failure;
};

// Runs the event loop until `stream` finishes (or `timeoutMs` pass).
inline StreamOutcome drain(std::unique_ptr<ChunkStream> stream, int timeoutMs = 20000) {
    StreamOutcome outcome{std::move(stream)};
    QEventLoop loop;
    QObject::connect(outcome.stream.get(), &ChunkStream::chunk, &loop,
                     [&](const QString& chunk) { outcome.chunks << chunk; });
    QObject::connect(outcome.stream.get(), &ChunkStream::finished, &loop,
                     [&](const std::optional<AIFailure>& failure) {
                         outcome.finished = true;
                         outcome.failure = failure;
                         loop.quit();
                     });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(outcome.finished) << "the stream did not finish in time";
    return outcome;
}

// Checks that `outcome` ended with `expected` (none: success).
inline void expectEnd(const StreamOutcome& outcome, const std::optional<AIError>& expected,
                      const std::string& name = {}) {
    if (!expected)
        EXPECT_EQ(outcome.failure, std::nullopt) << name;
    else if (outcome.failure && outcome.failure->aiError())
        EXPECT_EQ(*outcome.failure->aiError(), *expected)
            << name << ": " << outcome.failure->errorDescription().toStdString();
    else
        ADD_FAILURE() << name << ": no AIError";
}

// A control chunk: the mark followed by `word` ("CONNECTED", "TOOL:Grep").
inline QString control(const QString& word) {
    return Chunk::controlMark + word;
}

// One row for a provider's line reader: the lines it reads one after the other, the chunks it
// makes of them and the error it is left with.
struct EventCase {
    const char* name;
    QByteArrayList lines;
    QStringList chunks;
    std::optional<QString> error = std::nullopt;
};

template <class StreamState>
void expectEvents(const std::vector<EventCase>& cases) {
    for (const EventCase& c : cases) {
        StreamState state;
        QStringList chunks;
        for (const QByteArray& line : c.lines)
            chunks += state.onLine(line);
        EXPECT_EQ(chunks, c.chunks) << c.name;
        EXPECT_EQ(state.error, c.error) << c.name;
    }
}

// One way a run of the fake can end: what it replays, its exit status and standard error, and
// the error the stream must end with (none for success).
struct ToolEnding {
    const char* name;
    QString replay;
    QString exit;
    QString stderr;
    std::optional<AIError> expected;
};

// Streams `request` through `provider` once per ending and checks how each stream ends;
// `check` may look at the fake's records afterwards.
inline void expectEndings(
    const AIProvider& provider, const AIRequest& request, const std::vector<ToolEnding>& endings,
    const std::function<void(const ToolEnding&, const FakeAITool&)>& check = {}) {
    for (const ToolEnding& ending : endings) {
        FakeAITool tool(ending.replay);
        tool.set("TAVRIN_FAKE_EXIT", ending.exit);
        tool.set("TAVRIN_FAKE_STDERR", ending.stderr);
        const StreamOutcome outcome = drain(provider.stream(request));
        expectEnd(outcome, ending.expected, ending.name);
        if (check)
            check(ending, tool);
    }
}
