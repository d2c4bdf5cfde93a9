#include "AI/LineProcess.h"

#include <QCoreApplication>

#include "Platform/Characters.h"

namespace LineProcess {

namespace {

constexpr int failureTextLength = 400;

}  // namespace

std::unique_ptr<ProcessRun> run(const QString& executable, const QStringList& arguments,
                                const std::optional<QByteArray>& input,
                                const QString& workingDirectory, ProcessRun::LineHandler onLine,
                                ProcessRun::Completion done) {
    auto process = std::make_unique<ProcessRun>(executable, arguments, input, workingDirectory,
                                                std::move(onLine), std::move(done));
    process->start();
    return process;
}

std::unique_ptr<ProcessRun> collect(const QString& executable, const QStringList& arguments,
                                    const QString& workingDirectory, TextCompletion done) {
    auto lines = std::make_shared<QStringList>();
    return run(
        executable, arguments, std::nullopt, workingDirectory,
        [lines](const QByteArray& line) { lines->append(QString::fromUtf8(line)); },
        [lines, done = std::move(done)](AIResult<Output> result) {
            const TextCompletion callback = done;
            if (!result)
                callback(result.failure());
            else if (result.value().status == 0)
                callback(lines->join(QLatin1Char('\n')));
            else
                callback(AIError::failed(failureMessage(result.value())));
        });
}

QString failureMessage(const Output& output) {
    const QString trimmed = output.stderr.trimmed();
    if (trimmed.isEmpty())
        return QCoreApplication::translate("LineProcess", "Befehl fehlgeschlagen (Code %1)")
            .arg(output.status);
    return Characters::suffix(trimmed, failureTextLength);
}

}  // namespace LineProcess
