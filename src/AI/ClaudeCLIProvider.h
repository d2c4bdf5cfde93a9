#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "AI/AIError.h"
#include "AI/AIProvider.h"
#include "AI/ServiceRefusal.h"
#include "Platform/Clock.h"

// Answers a request by running the Claude Code command-line tool once, non-interactively,
// with the request as one JSON line on standard input, and turns its JSON event lines into
// chunks while it runs.
class ClaudeCLIProvider final : public AIProvider {
public:
    // `customPath`: the user's path to the tool; empty means search. `clock` times how long
    // the tool may retry a service that turns it away.
    ClaudeCLIProvider(QString customPath, Platform::Clock& clock);

    const QString& customPath() const { return m_customPath; }

    std::unique_ptr<ChunkStream> stream(const AIRequest& request) const override;

    // Linux refuses to start a program with a single argument of 128 KiB or more (the limit
    // counts the terminating NUL byte); the system prompt is passed as one.
    static constexpr qsizetype kMaxArgumentBytes = 128 * 1024 - 1;

    // The tool's argument list: the system prompt travels as one argument (without NUL
    // characters, which an argument cannot carry), the tools allowed depend on whether the
    // request works on a project folder.
    static QStringList arguments(const QString& system, const std::optional<QString>& model,
                                 bool hasProjectFolder);

    // The request's one line of standard input: a user message with an optional JPEG block
    // before the text block, ended by a line feed.
    static QByteArray userMessage(const QString& user, const std::optional<QByteArray>& imageJPEG);

    // The error for a failure text: a sign-in problem, or the text itself.
    static AIError classify(const QString& text);

    // What one run has seen so far, and the reading of each output line into chunks.
    struct StreamState {
        bool receivedText = false;     // a text delta arrived since the start or last tool
        std::optional<QString> error;  // the failure text of a final error result
        // The service refused the sign-in. The tool only retries then, for minutes, before it
        // reports it; nothing but a new sign-in helps.
        bool signInRejected = false;
        // The service is overloaded or the limit is reached, and the tool retries: the failure
        // text for that and the wait the tool announced, while it lasts. Retries for the
        // network or a server error, and any sign that the tool got through, end it.
        std::optional<ServiceRefusal> refusal;
        int refusalLines = 0;

        // The chunks one output line yields; lines that are not understood yield none.
        QStringList onLine(const QByteArray& line);
    };

private:
    QString m_customPath;
    Platform::Clock& m_clock;
};
