#include "AI/CLIToolRequest.h"

#include <QJsonDocument>

#include "AI/CLIEnvironment.h"
#include "AI/LineProcess.h"

CLIToolRequest::CLIToolRequest(ChunkStream* stream, Platform::Clock& clock)
    : QObject(stream), m_stream(stream), m_clock(clock) {}

std::optional<QJsonObject> CLIToolRequest::event(const QByteArray& line) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(line, &error);
    // The parser refuses the line for one bad byte in a string; the tool meant the rest.
    if (error.error == QJsonParseError::IllegalUTF8String)
        document = QJsonDocument::fromJson(QString::fromUtf8(line).toUtf8());
    if (!document.isObject() || !document.object().value(QLatin1String("type")).isString())
        return std::nullopt;
    return document.object();
}

void CLIToolRequest::begin(const QString& name, const QString& customPath,
                           const QString& displayName) {
    m_stream->setCancelHandler([this] { cancel(); });
    CLIEnvironment::locateAsync(name, customPath, this,
                                [this, displayName](const std::optional<QString>& executable) {
                                    if (m_stream->isEnded())
                                        return;
                                    if (!executable) {
                                        m_stream->finish(AIError::cliNotFound(displayName));
                                        return;
                                    }
                                    start(*executable);
                                });
}

void CLIToolRequest::start(const QString& executable) {
    const AIResult<Launch> launch = prepare();
    if (!launch) {
        release();
        m_stream->finish(launch.failure());
        return;
    }
    m_run = LineProcess::run(
        executable, launch.value().arguments, launch.value().input, launch.value().workingDirectory,
        [this](const QByteArray& line) {
            for (const QString& chunk : onLine(line))
                m_stream->yield(chunk);
            if (const std::optional<AIError> failure = settledFailure())
                stopWith(*failure);
            else
                followRefusal();
        },
        [this](AIResult<ProcessRun::Output> result) { finish(result); });
}

void CLIToolRequest::followRefusal() {
    const std::optional<ServiceRefusal> latest = refusal();
    if (!latest) {
        m_refusalGrace.reset();
        m_refusalGraceOver = false;
        return;
    }
    const bool retried = latest->line != m_refusalLine;
    if (retried) {
        m_refusalLine = latest->line;
        m_refusalLineAt = m_clock.monotonic();
    }
    if (m_refusalGraceOver) {
        if (retried)
            stopWith(AIError::failed(latest->reason));
        return;
    }
    // Counted from the refusal's first line: each retry says it again, and a grace that
    // started over with every one would let the tool retry for as long as it likes.
    if (m_refusalGrace)
        return;
    m_refusalGrace = m_clock.singleShot(kRefusalGrace, [this] { refusalGraceOver(); });
}

void CLIToolRequest::refusalGraceOver() {
    const std::optional<ServiceRefusal> latest = refusal();
    if (!latest)
        return;
    // Still waiting for the next try it announced: it has not got through.
    if (latest->nextTryIn && m_clock.monotonic() < m_refusalLineAt + *latest->nextTryIn) {
        stopWith(AIError::failed(latest->reason));
        return;
    }
    // Quiet since its last refusal, it may be trying with success; only a further refusal
    // tells that it still retries.
    m_refusalGraceOver = true;
}

void CLIToolRequest::cancel() {
    m_refusalGrace.reset();
    m_refusalGraceOver = false;
    m_run.reset();
    release();
}

void CLIToolRequest::stopWith(const AIError& failure) {
    // Ending the run from inside its line callback is allowed; no line or completion follows.
    cancel();
    m_stream->finish(failure);
}

void CLIToolRequest::finish(const AIResult<ProcessRun::Output>& result) {
    m_refusalGrace.reset();
    release();
    if (!result) {
        m_stream->finish(result.failure());
    } else if (const std::optional<QString> error = reportedError()) {
        m_stream->finish(classify(*error));
    } else if (result.value().status == 0) {
        m_stream->finish();
    } else {
        QString message = result.value().stderr.trimmed();
        if (message.isEmpty())
            message = exitMessage(result.value().status);
        m_stream->finish(classify(message));
    }
}
