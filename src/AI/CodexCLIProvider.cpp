#include "AI/CodexCLIProvider.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString controlChunk(QLatin1String word) {
    return QChar(0x0001) + word;
}

}  // namespace

QStringList CodexCLIProvider::arguments(const std::optional<QString>& model,
                                        const std::optional<QString>& projectFolderPath,
                                        const std::optional<QString>& imagePath) {
    QStringList arguments{
        QStringLiteral("exec"),        QStringLiteral("--json"),
        QStringLiteral("--ephemeral"), QStringLiteral("--skip-git-repo-check"),
        QStringLiteral("-s"),          QStringLiteral("read-only"),
    };
    if (model)
        arguments << QStringLiteral("-m") << *model;
    if (projectFolderPath)
        arguments << QStringLiteral("-C") << *projectFolderPath;
    // "-i" takes one or more values: a "-" after the image would be read as a second image,
    // so the prompt marker goes before it.
    arguments << QStringLiteral("-");
    if (imagePath)
        arguments << QStringLiteral("-i") << *imagePath;
    return arguments;
}

QByteArray CodexCLIProvider::standardInput(const QString& system, const QString& user) {
    return (system + QStringLiteral("\n\n---\n\n") + user).toUtf8();
}

QStringList CodexCLIProvider::StreamState::onLine(const QByteArray& line) {
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject())
        return {};
    const QJsonObject object = document.object();
    const QJsonValue typeValue = object.value(QLatin1String("type"));
    if (!typeValue.isString())
        return {};
    const QString type = typeValue.toString();
    const QJsonObject item = object.value(QLatin1String("item")).toObject();
    const QString itemType = item.value(QLatin1String("type")).toString();

    QStringList chunks;
    if (type == QLatin1String("turn.started")) {
        chunks << controlChunk(QLatin1String("CONNECTED"));
    } else if (type == QLatin1String("item.started")) {
        if (itemType == QLatin1String("reasoning"))
            chunks << controlChunk(QLatin1String("THINKING"));
        else if (itemType == QLatin1String("command_execution"))
            chunks << controlChunk(QLatin1String("TOOL:")) + QStringLiteral("Bash");
    } else if (type == QLatin1String("item.completed")) {
        const QJsonValue text = item.value(QLatin1String("text"));
        if (itemType == QLatin1String("agent_message") && text.isString()) {
            // Each agent message replaces the one before; the last is the answer.
            if (receivedText)
                chunks << controlChunk(QLatin1String("RESET"));
            chunks << text.toString();
            receivedText = true;
        }
    } else if (type == QLatin1String("turn.failed")) {
        const QJsonValue message =
            object.value(QLatin1String("error")).toObject().value(QLatin1String("message"));
        error = message.isString() ? message.toString() : QStringLiteral("Codex-Fehler");
    } else if (type == QLatin1String("error")) {
        // "Reconnecting..." reports a retry in progress, not a failure.
        const QJsonValue message = object.value(QLatin1String("message"));
        if (message.isString() && !message.toString().startsWith(QLatin1String("Reconnecting")))
            error = message.toString();
    }
    return chunks;
}
