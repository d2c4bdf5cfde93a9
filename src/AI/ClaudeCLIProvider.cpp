#include "AI/ClaudeCLIProvider.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "AI/CLIToolRequest.h"
#include "AI/Chunk.h"
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
        // An argument ends at its first NUL on the way to the program; a stray one (pasted
        // into the knowledge, say) would cut off the rest of the prompt without a word.
        QString(system).remove(QChar(0)),
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
    const std::optional<QJsonObject> parsed = CLIToolRequest::event(line);
    if (!parsed)
        return {};
    const QJsonObject& object = *parsed;
    const QJsonValue type = object.value(QLatin1String("type"));

    // Every line but the tool's own notes means that it got through to the service.
    if (type.toString() != QLatin1String("system"))
        refusal.reset();

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
                chunks << Chunk::text(text.toString());
            }
        }
    } else if (type.toString() == QLatin1String("system") &&
               object.value(QLatin1String("subtype")).toString() == QLatin1String("api_retry")) {
        // A refused sign-in settles the run at once. An overloaded service or a reached limit
        // may let up within a few retries; the network and other server errors are left to
        // the tool's own retries.
        const QJsonValue status = object.value(QLatin1String("error_status"));
        const QString reason = object.value(QLatin1String("error")).toString();
        refusal.reset();
        if (status == QJsonValue(401) || reason == QLatin1String("authentication_failed")) {
            signInRejected = true;
        } else if (status == QJsonValue(529) || status == QJsonValue(429) ||
                   reason == QLatin1String("overloaded") || reason == QLatin1String("rate_limit")) {
            // Worded so that the error classes tell the one from the other.
            QStringList words{QStringLiteral("API Error:")};
            if (status.isDouble())
                words << QString::number(status.toInteger());
            if (!reason.isEmpty())
                words << reason;
            std::optional<std::chrono::milliseconds> nextTryIn;
            const QJsonValue delay = object.value(QLatin1String("retry_delay_ms"));
            if (delay.isDouble())  // kept within a day, so that a wild value cannot overflow
                nextTryIn = std::chrono::milliseconds(
                    qint64(std::clamp(std::ceil(delay.toDouble()), 0.0, 86'400'000.0)));
            refusal = ServiceRefusal{words.join(QLatin1Char(' ')), nextTryIn, ++refusalLines};
        }
    } else if (type.toString() == QLatin1String("result")) {
        const QJsonValue result = object.value(QLatin1String("result"));
        if (object.value(QLatin1String("is_error")) == QJsonValue(true)) {
            // A failed call may still read "subtype": "success"; only this flag counts.
            error = result.isString() ? result.toString() : QStringLiteral("Unbekannter Fehler");
        } else if (!receivedText && result.isString()) {
            // The result repeats the streamed text; it is the answer only when nothing was
            // streamed since the last tool call.
            chunks << Chunk::text(result.toString());
        }
    }
    return chunks;
}

ClaudeCLIProvider::ClaudeCLIProvider(QString customPath, Platform::Clock& clock)
    : m_customPath(std::move(customPath)), m_clock(clock) {}

namespace {

AIError claudeNotLoggedIn() {
    return AIError::notLoggedIn(QCoreApplication::translate(
        "ClaudeCLIProvider",
        "Im Terminal einmal „claude“ starten und mit dem Claude-Abo anmelden."));
}

// One run of the tool: the system prompt goes as an argument, the user message as one JSON
// line on standard input.
class ClaudeRequest final : public StreamStateRequest<ClaudeCLIProvider> {
public:
    ClaudeRequest(ChunkStream* stream, Platform::Clock& clock, AIRequest request)
        : StreamStateRequest(stream, clock, std::move(request), claudeNotLoggedIn) {}

private:
    AIResult<Launch> prepare() override {
        if (m_request.system.toUtf8().size() > ClaudeCLIProvider::kMaxArgumentBytes)
            return AIError::failed(QCoreApplication::translate(
                "ClaudeCLIProvider",
                "Die Anweisungen an Claude sind zu lang: Sie dürfen höchstens 128 KiB groß "
                "sein. Bitte Wissen, Regeln oder eigene Aktionen in den Einstellungen kürzen."));
        return Launch{
            ClaudeCLIProvider::arguments(m_request.system, m_request.model,
                                         m_request.projectFolder.has_value()),
            ClaudeCLIProvider::userMessage(m_request.user, m_request.imageJPEG),
            m_request.projectFolder.value_or(Platform::AppPaths::temporaryFolder()),
        };
    }
    QString exitMessage(int status) const override {
        return QCoreApplication::translate("ClaudeCLIProvider", "Claude beendet mit Code %1")
            .arg(status);
    }
};

}  // namespace

std::unique_ptr<ChunkStream> ClaudeCLIProvider::stream(const AIRequest& request) const {
    auto stream = std::make_unique<ChunkStream>();
    (new ClaudeRequest(stream.get(), m_clock, request))
        ->begin(QStringLiteral("claude"), m_customPath, QStringLiteral("Claude Code (claude)"));
    return stream;
}

AIError ClaudeCLIProvider::classify(const QString& text) {
    const QString lower = text.toLower();
    for (const char* phrase : {"login", "log in", "authenticat", "api key"}) {
        if (lower.contains(QLatin1String(phrase)))
            return claudeNotLoggedIn();
    }
    return AIError::failed(text);
}
