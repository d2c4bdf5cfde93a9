#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "AI/AIError.h"
#include "AI/AIProvider.h"
#include "AI/ServiceRefusal.h"
#include "Platform/Clock.h"

// Answers a request by running the Codex command-line tool once in non-interactive mode,
// both prompts on standard input, and turns its JSON event lines into chunks while it runs.
// A screenshot reaches the tool as a private temporary file that lives as long as the request.
class CodexCLIProvider final : public AIProvider {
public:
    // `customPath`: the user's path to the tool; empty means search. `clock` times how long
    // the tool may retry a service that turns it away.
    CodexCLIProvider(QString customPath, Platform::Clock& clock);

    const QString& customPath() const { return m_customPath; }

    std::unique_ptr<ChunkStream> stream(const AIRequest& request) const override;

    // The tool's argument list: read-only sandbox, nothing kept, the prompt from standard
    // input.
    static QStringList arguments(const std::optional<QString>& model,
                                 const std::optional<QString>& projectFolderPath,
                                 const std::optional<QString>& imagePath);

    // Standard input: the system text, a separator line, the user text; no final line feed.
    static QByteArray standardInput(const QString& system, const QString& user);

    // The error for a failure message: a sign-in problem, or the message itself.
    static AIError classify(const QString& message);

    // What one run has seen so far, and the reading of each output line into chunks.
    struct StreamState {
        bool receivedText = false;     // an agent message has been emitted
        std::optional<QString> error;  // the last error the tool's events reported
        // The tool reconnects after the service refused the sign-in; nothing but a new
        // sign-in helps, however often it tries.
        bool signInRejected = false;
        // The tool reconnects because the service is overloaded or the limit is reached: why,
        // in the tool's words, while it lasts. A reconnect for another reason (the network)
        // and any sign that the tool got through end it. The tool does not say when it tries
        // next.
        std::optional<ServiceRefusal> refusal;
        int refusalLines = 0;

        // The chunks one output line yields; lines that are not understood yield none.
        QStringList onLine(const QByteArray& line);

    private:
        void followReconnect(const QString& message);
    };

private:
    QString m_customPath;
    Platform::Clock& m_clock;
};
