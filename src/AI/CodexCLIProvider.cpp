#include "AI/CodexCLIProvider.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>
#include <cstring>

#include "AI/CLIToolRequest.h"
#include "AI/Chunk.h"
#include "AI/ErrorClassifier.h"
#include "Platform/AppPaths.h"

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
    const std::optional<QJsonObject> parsed = CLIToolRequest::event(line);
    if (!parsed)
        return {};
    const QJsonObject& object = *parsed;
    const QString type = object.value(QLatin1String("type")).toString();
    const QJsonObject item = object.value(QLatin1String("item")).toObject();
    const QString itemType = item.value(QLatin1String("type")).toString();

    // An item other than the report of a failure means that the tool got through.
    if (type.startsWith(QLatin1String("item.")) && itemType != QLatin1String("error"))
        refusal.reset();

    QStringList chunks;
    if (type == QLatin1String("turn.started")) {
        chunks << Chunk::connected();
    } else if (type == QLatin1String("item.started")) {
        if (itemType == QLatin1String("reasoning"))
            chunks << Chunk::thinking();
        else if (itemType == QLatin1String("command_execution"))
            chunks << Chunk::tool(QStringLiteral("Bash"));
    } else if (type == QLatin1String("item.completed")) {
        const QJsonValue text = item.value(QLatin1String("text"));
        if (itemType == QLatin1String("agent_message") && text.isString()) {
            // Each agent message replaces the one before; the last is the answer.
            if (receivedText)
                chunks << Chunk::reset();
            chunks << Chunk::text(text.toString());
            receivedText = true;
        }
    } else if (type == QLatin1String("turn.failed")) {
        const QJsonValue message =
            object.value(QLatin1String("error")).toObject().value(QLatin1String("message"));
        error = message.isString() ? message.toString() : QStringLiteral("Codex-Fehler");
    } else if (type == QLatin1String("error")) {
        // "Reconnecting..." reports a retry in progress, not a failure; why it retries is
        // what tells whether waiting can help.
        const QJsonValue message = object.value(QLatin1String("message"));
        if (message.isString() && message.toString().startsWith(QLatin1String("Reconnecting")))
            followReconnect(message.toString());
        else if (message.isString())
            error = message.toString();
    }
    return chunks;
}

void CodexCLIProvider::StreamState::followReconnect(const QString& message) {
    refusal.reset();
    // "Reconnecting... 2/5 (why)"; the reason may be missing.
    static const QRegularExpression counted(
        QStringLiteral(R"(^Reconnecting\.*\s*(\d+\s*/\s*\d+)?\s*)"));
    QString reason = message.mid(counted.match(message).capturedLength()).trimmed();
    if (reason.startsWith(QLatin1Char('(')) && reason.endsWith(QLatin1Char(')')))
        reason = reason.mid(1, reason.size() - 2).trimmed();
    switch (ErrorClassifier::classify(reason, ProviderID::codexCLI).kind()) {
        case AssistantProblem::Kind::notSignedIn:
            signInRejected = true;
            break;
        case AssistantProblem::Kind::busy:
        case AssistantProblem::Kind::limitReached:
            refusal = ServiceRefusal{reason, std::nullopt, ++refusalLines};
            break;
        default:
            break;
    }
}

CodexCLIProvider::CodexCLIProvider(QString customPath, Platform::Clock& clock)
    : m_customPath(std::move(customPath)), m_clock(clock) {}

namespace {

AIError codexNotLoggedIn() {
    return AIError::notLoggedIn(QCoreApplication::translate(
        "CodexCLIProvider",
        "Im Terminal einmal „codex login“ ausführen und mit dem ChatGPT-Konto anmelden."));
}

// The screenshot handed to the tool as a file. The temporary folder is shared with every
// other user and program, so the file is created fresh (never through an existing name or
// link) and readable by the user alone; it is removed when the request ends, however it ends.
class TemporaryImage {
public:
    TemporaryImage() = default;
    TemporaryImage(const TemporaryImage&) = delete;
    TemporaryImage& operator=(const TemporaryImage&) = delete;
    ~TemporaryImage() { remove(); }

    // Writes `bytes` to a new file; the error text when that fails (nothing is left behind).
    std::optional<QString> write(const QByteArray& bytes) {
        const QString path = Platform::AppPaths::temporaryFolder() + QStringLiteral("/tavrin-") +
                             QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                             QStringLiteral(".jpg");
        const QByteArray encoded = QFile::encodeName(path);
        const int fd =
            ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return describe(path, errno);
        m_path = path;
        qsizetype written = 0;
        while (written < bytes.size()) {
            const ssize_t n =
                ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : EIO;
                ::close(fd);
                remove();
                return describe(path, error);
            }
            written += n;
        }
        if (::close(fd) != 0) {
            const int error = errno;
            remove();
            return describe(path, error);
        }
        return std::nullopt;
    }

    const QString& path() const { return m_path; }

    void remove() {
        if (m_path.isEmpty())
            return;
        ::unlink(QFile::encodeName(m_path).constData());
        m_path.clear();
    }

private:
    static QString describe(const QString& path, int error) {
        return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
    }

    QString m_path;
};

// One run of the tool: both prompts on standard input, the screenshot as a temporary file
// that goes when the run ends, however it ends.
class CodexRequest final : public StreamStateRequest<CodexCLIProvider> {
public:
    CodexRequest(ChunkStream* stream, Platform::Clock& clock, AIRequest request)
        : StreamStateRequest(stream, clock, std::move(request), codexNotLoggedIn) {}

private:
    AIResult<Launch> prepare() override {
        std::optional<QString> imagePath;
        if (m_request.imageJPEG) {
            if (const std::optional<QString> error = m_image.write(*m_request.imageJPEG))
                return ProcessError{ProcessError::Kind::failedToStart, *error};
            imagePath = m_image.path();
        }
        // The project folder reaches the tool through "-C" only; it always starts in the
        // temporary folder.
        return Launch{
            CodexCLIProvider::arguments(m_request.model, m_request.projectFolder, imagePath),
            CodexCLIProvider::standardInput(m_request.system, m_request.user),
            Platform::AppPaths::temporaryFolder(),
        };
    }
    QString exitMessage(int status) const override {
        return QCoreApplication::translate("CodexCLIProvider", "Codex beendet mit Code %1")
            .arg(status);
    }
    void release() override { m_image.remove(); }

    TemporaryImage m_image;
};

}  // namespace

std::unique_ptr<ChunkStream> CodexCLIProvider::stream(const AIRequest& request) const {
    auto stream = std::make_unique<ChunkStream>();
    (new CodexRequest(stream.get(), m_clock, request))
        ->begin(QStringLiteral("codex"), m_customPath, QStringLiteral("Codex CLI (codex)"));
    return stream;
}

AIError CodexCLIProvider::classify(const QString& message) {
    const QString lower = message.toLower();
    for (const char* phrase : {"login", "not logged", "unauthorized", "401"}) {
        if (lower.contains(QLatin1String(phrase)))
            return codexNotLoggedIn();
    }
    return AIError::failed(message);
}
