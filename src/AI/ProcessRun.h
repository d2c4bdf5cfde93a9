#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "AI/AIResult.h"

struct ProcessRunControl;

// One run of an outside program as a child process, handing its standard output over line
// by line while it runs. Made by LineProcess::run(); see there for the whole contract.
//
// The child gets its own process group, the login shell's search path as PATH, no file
// descriptor of Tavrin beyond its three pipes, and default SIGPIPE handling. Standard input
// is written while both outputs are read, so neither side can block the other.
//
// cancel() (or destroying the run) ends it at once: no callback is made after it. The
// child's whole process group gets SIGTERM and, if anything of it is still alive two seconds
// later, SIGKILL; background processes that keep a pipe open therefore cannot keep anything
// waiting. Deleting the run from inside one of its callbacks is allowed.
class ProcessRun final : public QObject {
    Q_OBJECT

public:
    struct Output {
        // The exit status; for a child killed by a signal, the signal's number.
        qint32 status = 0;
        // Everything written to standard error; empty when it was not valid UTF-8.
        QString stderr;

        bool operator==(const Output&) const = default;
    };

    // One line of standard output without its line feed (nor a carriage return before it),
    // as raw UTF-8 bytes.
    using LineHandler = std::function<void(const QByteArray& line)>;
    using Completion = std::function<void(AIResult<Output>)>;

    ProcessRun(QString executable, QStringList arguments, std::optional<QByteArray> input,
               QString workingDirectory, LineHandler onLine, Completion done);
    ~ProcessRun() override;

    // Starts the child, at once when the search path is known, else once it is.
    void start();
    void cancel();
    // True from start() until the completion was made or the run was cancelled.
    bool isRunning() const { return m_state == State::starting || m_state == State::running; }
    // The child's process id, which is also its process group's; 0 until it runs.
    qint64 processId() const { return m_pid; }

private:
    enum class State { idle, starting, running, ended };

    // Marks the time spent inside one of the QProcess's signals; outlives the run.
    class InsideProcessSignal {
    public:
        explicit InsideProcessSignal(std::shared_ptr<ProcessRunControl> control);
        ~InsideProcessSignal();

    private:
        std::shared_ptr<ProcessRunControl> m_control;
    };

    void launch(const QString& searchPath);
    void onStarted();
    void onError(QProcess::ProcessError error);
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);
    // Hands over every complete line (and the rest, at the end); false when the run was
    // cancelled or destroyed by a callback.
    bool deliverLines(bool atEnd);
    void complete(AIResult<Output> result);
    void releaseProcess();

    QString m_executable;
    QStringList m_arguments;
    std::optional<QByteArray> m_input;
    QString m_workingDirectory;
    std::shared_ptr<ProcessRunControl> m_control;

    State m_state = State::idle;
    QProcess* m_process = nullptr;
    qint64 m_pid = 0;
    bool m_launching = false;
    // Standard output after the last line feed, and how much of it holds none.
    QByteArray m_pendingOutput;
    qsizetype m_searchedOutput = 0;
};
