#include "AI/ClaudeCLIProvider.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "AI/CLIEnvironment.h"
#include "AI/Chunk.h"
#include "AI/LineProcess.h"
#include "Platform/AppPaths.h"

QStringList ClaudeCLIProvider::arguments(const QString& system, const std::optional<QString>& model,
                                         bool hasProjectFolder) {
    QStringList arguments{
        QStringLiteral("-p"),
        QStringLiteral("--input-format"),
        QStringLiteral("stream-json"),
        QStringLiteral("--output-format"),
        QStringLiteral("stream-json"),
        QStringLiteral("--verbose"),
        QStringLiteral("--include-partial-messages"),
        QStringLiteral("--no-session-persistence"),
        QStringLiteral("--strict-mcp-config"),
        // No user, project or local settings files: the run must not depend on them.
        QStringLiteral("--setting-sources"),
        QStringLiteral(""),
        QStringLiteral("--system-prompt"),
        system,
    };
    if (hasProjectFolder) {
        // Read-only tools on the project, and only the shell commands that cannot change it.
        arguments << QStringLiteral("--tools") << QStringLiteral("Read,Grep,Glob,Bash")
                  << QStringLiteral("--allowedTools") << QStringLiteral("Read")
                  << QStringLiteral("Grep") << QStringLiteral("Glob")
                  << QStringLiteral("Bash(gh issue list:*)")
                  << QStringLiteral("Bash(gh issue view:*)") << QStringLiteral("Bash(gh pr list:*)")
                  << QStringLiteral("Bash(git log:*)") << QStringLiteral("Bash(git status:*)")
                  << QStringLiteral("Bash(ls:*)");
    } else {
        arguments << QStringLiteral("--tools") << QStringLiteral("");
    }
    if (model)
        arguments << QStringLiteral("--model") << *model;
    arguments << QStringLiteral("--effort")
              << (hasProjectFolder ? QStringLiteral("medium") : QStringLiteral("low"));
    return arguments;
}

QByteArray ClaudeCLIProvider::userMessage(const QString& user,
                                          const std::optional<QByteArray>& imageJPEG) {
    QJsonArray content;
    if (imageJPEG) {
        content.append(QJsonObject{
            {QStringLiteral("type"), QStringLiteral("image")},
            {QStringLiteral("source"),
             QJsonObject{
                 {QStringLiteral("type"), QStringLiteral("base64")},
                 {QStringLiteral("media_type"), QStringLiteral("image/jpeg")},
                 {QStringLiteral("data"), QString::fromLatin1(imageJPEG->toBase64())},
             }},
        });
    }
    content.append(QJsonObject{
        {QStringLiteral("type"), QStringLiteral("text")},
        {QStringLiteral("text"), user},
    });
    const QJsonObject message{
        {QStringLiteral("type"), QStringLiteral("user")},
        {QStringLiteral("message"),
         QJsonObject{
             {QStringLiteral("role"), QStringLiteral("user")},
             {QStringLiteral("content"), content},
         }},
    };
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

QStringList ClaudeCLIProvider::StreamState::onLine(const QByteArray& line) {
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return {};
    const QJsonObject object = document.object();
    const QJsonValue type = object.value(QLatin1String("type"));
    if (!type.isString())
        return {};

    QStringList chunks;
    if (type.toString() == QLatin1String("stream_event")) {
        const QJsonValue eventValue = object.value(QLatin1String("event"));
        if (!eventValue.isObject())
            return {};
        const QJsonObject event = eventValue.toObject();
        const QString eventType = event.value(QLatin1String("type")).toString();
        const QJsonValue block = event.value(QLatin1String("content_block"));
        const QString blockType = block.toObject().value(QLatin1String("type")).toString();
        const QJsonValue delta = event.value(QLatin1String("delta"));

        if (eventType == QLatin1String("message_start"))
            chunks << Chunk::connected();
        if (eventType == QLatin1String("content_block_start") && block.isObject() &&
            blockType == QLatin1String("thinking"))
            chunks << Chunk::thinking();
        if (eventType == QLatin1String("content_block_start") && block.isObject() &&
            blockType == QLatin1String("tool_use")) {
            // Narration written before a tool call is void; the answer comes after it.
            const QJsonValue name = block.toObject().value(QLatin1String("name"));
            chunks << Chunk::reset()
                   << Chunk::tool(name.isString() ? name.toString() : QStringLiteral("Tool"));
            receivedText = false;
        }
        if (eventType == QLatin1String("content_block_delta") && delta.isObject() &&
            delta.toObject().value(QLatin1String("type")).toString() ==
                QLatin1String("text_delta")) {
            const QJsonValue text = delta.toObject().value(QLatin1String("text"));
            if (text.isString()) {
                receivedText = true;
                chunks << text.toString();
            }
        }
    } else if (type.toString() == QLatin1String("result")) {
        const QJsonValue result = object.value(QLatin1String("result"));
        if (object.value(QLatin1String("is_error")) == QJsonValue(true)) {
            // A failed call may still read "subtype": "success"; only this flag counts.
            error = result.isString() ? result.toString() : QStringLiteral("Unbekannter Fehler");
        } else if (!receivedText && result.isString()) {
            // The result repeats the streamed text; it is the answer only when nothing was
            // streamed since the last tool call.
            chunks << result.toString();
        }
    }
    return chunks;
}

ClaudeCLIProvider::ClaudeCLIProvider(QString customPath) : m_customPath(std::move(customPath)) {}

namespace {

// One request: the run of the tool and what its output said so far. A child of the stream,
// so that ending the stream ends the run.
class ClaudeRequest final : public QObject {
public:
    ClaudeRequest(ChunkStream* stream, AIRequest request)
        : QObject(stream), m_stream(stream), m_request(std::move(request)) {}

    void start(const QString& executable) {
        if (m_request.system.toUtf8().size() > ClaudeCLIProvider::kMaxArgumentBytes) {
            m_stream->finish(AIError::failed(QCoreApplication::translate(
                "ClaudeCLIProvider",
                "Wissen und Regeln sind zu lang: Die Anweisungen an Claude dürfen höchstens "
                "128 KiB groß sein. Bitte Wissen oder Regeln in den Einstellungen kürzen.")));
            return;
        }
        const QStringList arguments = ClaudeCLIProvider::arguments(
            m_request.system, m_request.model, m_request.projectFolder.has_value());
        const QByteArray input =
            ClaudeCLIProvider::userMessage(m_request.user, m_request.imageJPEG);
        const QString workingDirectory =
            m_request.projectFolder.value_or(Platform::AppPaths::temporaryFolder());
        m_run = LineProcess::run(
            executable, arguments, input, workingDirectory,
            [this](const QByteArray& line) {
                for (const QString& chunk : m_state.onLine(line))
                    m_stream->yield(chunk);
            },
            [this](AIResult<ProcessRun::Output> result) { finish(result); });
    }

    void cancel() { m_run.reset(); }

private:
    void finish(const AIResult<ProcessRun::Output>& result) {
        if (!result) {
            m_stream->finish(result.failure());
        } else if (m_state.error) {
            m_stream->finish(ClaudeCLIProvider::classify(*m_state.error));
        } else if (result.value().status == 0) {
            m_stream->finish();
        } else {
            QString message = result.value().stderr.trimmed();
            if (message.isEmpty())
                message =
                    QCoreApplication::translate("ClaudeCLIProvider", "Claude beendet mit Code %1")
                        .arg(result.value().status);
            m_stream->finish(ClaudeCLIProvider::classify(message));
        }
    }

    ChunkStream* m_stream;
    AIRequest m_request;
    ClaudeCLIProvider::StreamState m_state;
    std::unique_ptr<ProcessRun> m_run;
};

}  // namespace

std::unique_ptr<ChunkStream> ClaudeCLIProvider::stream(const AIRequest& request) const {
    auto stream = std::make_unique<ChunkStream>();
    auto* pending = new ClaudeRequest(stream.get(), request);
    stream->setCancelHandler([pending] { pending->cancel(); });
    CLIEnvironment::locateAsync(
        QStringLiteral("claude"), m_customPath, pending,
        [stream = stream.get(), pending](const std::optional<QString>& executable) {
            if (stream->isEnded())
                return;
            if (!executable) {
                stream->finish(AIError::cliNotFound(QStringLiteral("Claude Code (claude)")));
                return;
            }
            pending->start(*executable);
        });
    return stream;
}

AIError ClaudeCLIProvider::classify(const QString& text) {
    const QString lower = text.toLower();
    for (const char* phrase : {"login", "log in", "authenticat", "api key"}) {
        if (lower.contains(QLatin1String(phrase)))
            return AIError::notLoggedIn(QCoreApplication::translate(
                "ClaudeCLIProvider",
                "Im Terminal einmal `claude` starten und mit dem Claude-Abo anmelden."));
    }
    return AIError::failed(text);
}
