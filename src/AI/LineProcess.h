#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "AI/AIResult.h"
#include "AI/ProcessRun.h"

// Runs outside programs as child processes on the main thread's event loop; no caller
// needs a thread of its own. Every child gets CLIEnvironment::shellPATH() as its PATH and
// otherwise Tavrin's environment.
namespace LineProcess {

using Output = ProcessRun::Output;

// Runs `executable` with `arguments` in `workingDirectory`. `input`, when given, is written
// to the child's standard input, which is then closed (without input the child reads an
// empty, closed standard input). `onLine` gets each line of standard output as it arrives,
// in order, the last one also without a line feed. Then `done` gets the exit status and the
// standard error text (a non-zero status is not a failure here), or the ProcessError when
// the program could not be started or its output not be read. Callbacks run on the calling
// thread (the main thread), never before run() returned; either may be empty. Keep the
// returned run for as long as the result is wanted: destroying it cancels (see ProcessRun).
std::unique_ptr<ProcessRun> run(const QString& executable, const QStringList& arguments,
                                const std::optional<QByteArray>& input,
                                const QString& workingDirectory, ProcessRun::LineHandler onLine,
                                ProcessRun::Completion done);

using TextCompletion = std::function<void(AIResult<QString>)>;

// Runs the program without standard input and gives its standard output, lines joined with
// "\n". A non-zero exit status fails with AIError::failed: the last 400 characters of the
// trimmed standard error, or "Befehl fehlgeschlagen (Code N)" when that is empty.
std::unique_ptr<ProcessRun> collect(const QString& executable, const QStringList& arguments,
                                    const QString& workingDirectory, TextCompletion done);

// The message of a failed command: see collect().
QString failureMessage(const Output& output);

}  // namespace LineProcess
