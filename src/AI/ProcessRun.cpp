#include "AI/ProcessRun.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QTimer>
#include <algorithm>
#include <map>
#include <utility>

#include "AI/CLIEnvironment.h"
#include "Platform/ChildProcess.h"
#include "Platform/Utf8.h"

// What outlives the run while a callback that may destroy it is running.
struct ProcessRunControl {
    ProcessRun::LineHandler onLine;
    ProcessRun::Completion done;
    // How deep we are inside the QProcess's own signals; it must not be deleted there.
    int processSignalDepth = 0;
    bool destroyed = false;
};

namespace {

constexpr int terminationGraceMs = 2000;
// How long to wait for a child killed outright to be gone.
constexpr int killedChildWaitMs = 1000;

// A QProcess a run has let go of: a cancelled child within its grace period, with its process
// group and the end of the grace, or a finished one whose deletion waits for the event loop,
// with no group (0).
struct Released {
    qint64 group = 0;
    QDeadlineTimer graceEnds;
};

// The QProcess objects the runs have let go of that are not deleted yet. Main thread only.
std::map<QProcess*, Released>& released() {
    static std::map<QProcess*, Released> processes;
    return processes;
}

void killGroup(qint64 group, int signal) {
    if (group > 0)
        ::kill(-pid_t(group), signal);
}

// Kills the group outright and waits for the child, so that nothing is left running when its
// QProcess goes (which would warn "Destroyed while process … is still running" and wait on
// its own).
void killAndWait(QProcess* process, qint64 group) {
    killGroup(group, SIGKILL);
    if (process->state() != QProcess::NotRunning)
        process->waitForFinished(killedChildWaitMs);
}

// When Tavrin quits, nothing it started lives on. A child told to end still gets the rest of
// its grace period to do so (the event loop that would have ended it is gone by now); what is
// left of its group then is killed.
void endEverythingAtExit() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    qAddPostRoutine([] {
        const std::map<QProcess*, Released> processes = std::exchange(released(), {});
        for (const auto& [process, run] : processes) {
            if (run.group > 0 && process->state() != QProcess::NotRunning)
                process->waitForFinished(int(run.graceEnds.remainingTime()));
            killAndWait(process, run.group);
            delete process;
        }
    });
}

void track(QProcess* process, qint64 group) {
    endEverythingAtExit();
    released()[process] = Released{group, QDeadlineTimer(terminationGraceMs)};
    QObject::connect(process, &QObject::destroyed, [process] { released().erase(process); });
}

void disposeOf(QProcess* process, bool insideItsSignal) {
    if (!insideItsSignal || !QCoreApplication::instance()) {
        delete process;
        return;
    }
    track(process, 0);
    process->deleteLater();
}

// Ends a cancelled child's whole group: SIGTERM now, SIGKILL after the grace period. The
// QProcess stays until then so that the child is reaped.
void reap(QProcess* process, qint64 group, bool insideItsSignal) {
    process->closeWriteChannel();
    process->closeReadChannel(QProcess::StandardOutput);
    process->closeReadChannel(QProcess::StandardError);
    killGroup(group, SIGTERM);
    if (!QCoreApplication::instance() || QCoreApplication::closingDown()) {
        killAndWait(process, group);
        disposeOf(process, insideItsSignal);
        return;
    }
    track(process, group);
    QTimer::singleShot(terminationGraceMs, process, [process, group] {
        killGroup(group, SIGKILL);
        if (process->state() == QProcess::NotRunning)
            process->deleteLater();
        else
            QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    });
}

QByteArray withoutCarriageReturn(const char* begin, qsizetype length) {
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    return QByteArray(begin, length);
}

}  // namespace

ProcessRun::InsideProcessSignal::InsideProcessSignal(std::shared_ptr<ProcessRunControl> control)
    : m_control(std::move(control)) {
    ++m_control->processSignalDepth;
}

ProcessRun::InsideProcessSignal::~InsideProcessSignal() {
    --m_control->processSignalDepth;
}

ProcessRun::ProcessRun(QString executable, QStringList arguments, std::optional<QByteArray> input,
                       QString workingDirectory, LineHandler onLine, Completion done)
    : m_executable(std::move(executable)),
      m_arguments(std::move(arguments)),
      m_input(std::move(input)),
      m_workingDirectory(std::move(workingDirectory)),
      m_control(std::make_shared<ProcessRunControl>()) {
    m_control->onLine = std::move(onLine);
    m_control->done = std::move(done);
}

ProcessRun::~ProcessRun() {
    m_control->destroyed = true;
    cancel();
    releaseProcess();
}

void ProcessRun::start() {
    if (m_state != State::idle)
        return;
    Platform::ChildProcess::ignoreBrokenPipes();
    m_state = State::starting;
    if (const std::optional<QString> path = CLIEnvironment::cachedShellPATH()) {
        launch(*path);
        return;
    }
    // The login shell is asked on a worker thread; the main thread never waits for it.
    CLIEnvironment::shellPATHAsync(this, [this](const QString& path) {
        if (m_state == State::starting && !m_process)
            launch(path);
    });
}

void ProcessRun::cancel() {
    if (!isRunning())
        return;
    m_state = State::ended;
    releaseProcess();
}

void ProcessRun::launch(const QString& searchPath) {
    m_process = new QProcess;
    m_process->setProgram(m_executable);
    m_process->setArguments(m_arguments);
    m_process->setWorkingDirectory(m_workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), searchPath);
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setChildProcessModifier(Platform::ChildProcess::prepare);

    // Both outputs are read whenever data arrives (QProcess keeps standard error in its
    // buffer until the end), while standard input is written as the child takes it.
    connect(m_process, &QProcess::started, this, [this] {
        InsideProcessSignal scope(m_control);
        onStarted();
    });
    connect(m_process, &QProcess::readyReadStandardOutput, this, [this] {
        InsideProcessSignal scope(m_control);
        m_pendingOutput += m_process->readAllStandardOutput();
        deliverLines(false);
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        InsideProcessSignal scope(m_control);
        onError(error);
    });
    connect(m_process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus exitStatus) {
                InsideProcessSignal scope(m_control);
                onFinished(exitCode, exitStatus);
            });

    m_launching = true;
    m_process->start(QIODevice::ReadWrite);
    m_launching = false;
    if (m_process && m_process->processId() > 0) {
        m_pid = m_process->processId();
        // Also from this side, so the group exists even if we cancel before the child ran.
        ::setpgid(pid_t(m_pid), pid_t(m_pid));
    }
}

void ProcessRun::onStarted() {
    m_state = State::running;
    if (m_input) {
        m_process->write(*m_input);
        m_input.reset();
    }
    m_process->closeWriteChannel();
}

void ProcessRun::onError(QProcess::ProcessError error) {
    switch (error) {
        case QProcess::FailedToStart:
            complete(ProcessError{ProcessError::Kind::failedToStart, m_process->errorString()});
            return;
        case QProcess::ReadError:
            complete(ProcessError{ProcessError::Kind::readFailed, m_process->errorString()});
            return;
        default:
            // A crash is reported by finished(); a child that stopped reading its input before
            // taking all of it is not a failure of the run.
            return;
    }
}

void ProcessRun::onFinished(int exitCode, QProcess::ExitStatus) {
    if (!isRunning())
        return;
    m_pendingOutput += m_process->readAllStandardOutput();
    if (!deliverLines(true))
        return;
    // For a child killed by a signal, QProcess reports the signal's number as exit code.
    const QByteArray standardError = m_process->readAllStandardError();
    complete(Output{exitCode, Utf8::decodeStrictly(standardError).value_or(QString())});
}

bool ProcessRun::deliverLines(bool atEnd) {
    const std::shared_ptr<ProcessRunControl> control = m_control;
    const QByteArray data = std::exchange(m_pendingOutput, QByteArray());
    const char* const begin = data.constData();
    // The unfinished line's bytes were searched already: searching them again on every read
    // would make one long line cost the square of its length.
    const qsizetype searched = std::exchange(m_searchedOutput, 0);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = data.indexOf('\n', std::max(start, searched));
        if (end < 0)
            break;
        const QByteArray line = withoutCarriageReturn(begin + start, end - start);
        start = end + 1;
        if (control->onLine)
            control->onLine(line);
        if (control->destroyed || !isRunning())
            return false;
    }
    if (!atEnd) {
        m_pendingOutput = start == 0 ? data : data.mid(start);
        m_searchedOutput = m_pendingOutput.size();
        return true;
    }
    if (start < data.size() && control->onLine) {
        control->onLine(withoutCarriageReturn(begin + start, data.size() - start));
        if (control->destroyed || !isRunning())
            return false;
    }
    return true;
}

void ProcessRun::complete(AIResult<Output> result) {
    if (!isRunning())
        return;
    if (m_launching) {
        // Callbacks never run before run() returned to its caller.
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { complete(std::move(result)); },
            Qt::QueuedConnection);
        return;
    }
    m_state = State::ended;
    const std::shared_ptr<ProcessRunControl> control = m_control;
    releaseProcess();
    if (control->done)
        control->done(std::move(result));
}

void ProcessRun::releaseProcess() {
    if (!m_process)
        return;
    QProcess* process = std::exchange(m_process, nullptr);
    QObject::disconnect(process, nullptr, this, nullptr);
    const bool insideItsSignal = m_control->processSignalDepth > 0;
    if (process->state() == QProcess::NotRunning)
        disposeOf(process, insideItsSignal);
    else
        reap(process, m_pid, insideItsSignal);
}
