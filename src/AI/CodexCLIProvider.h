#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Answers a request by running the Codex command-line tool once in non-interactive mode,
// both prompts on standard input, and turning its JSON event lines into chunks.
struct CodexCLIProvider {
    QString customPath;  // the user's path to the tool; empty means search

    // The tool's argument list: read-only sandbox, nothing kept, the prompt from standard
    // input.
    static QStringList arguments(const std::optional<QString>& model,
                                 const std::optional<QString>& projectFolderPath,
                                 const std::optional<QString>& imagePath);

    // Standard input: the system text, a separator line, the user text; no final line feed.
    static QByteArray standardInput(const QString& system, const QString& user);

    // What one run has seen so far, and the reading of each output line into chunks.
    struct StreamState {
        bool receivedText = false;     // an agent message has been emitted
        std::optional<QString> error;  // the last error the tool's events reported

        // The chunks one output line yields; lines that are not understood yield none.
        QStringList onLine(const QByteArray& line);
    };

    bool operator==(const CodexCLIProvider&) const = default;
};
