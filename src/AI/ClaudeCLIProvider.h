#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Answers a request by running the Claude Code command-line tool once, non-interactively,
// and turning its JSON event lines into chunks.
struct ClaudeCLIProvider {
    QString customPath;  // the user's path to the tool; empty means search

    // The tool's argument list: the system prompt travels as one argument, the tools allowed
    // depend on whether the request works on a project folder.
    static QStringList arguments(const QString& system, const std::optional<QString>& model,
                                 bool hasProjectFolder);

    // The request's one line of standard input: a user message with an optional JPEG block
    // before the text block, ended by a line feed.
    static QByteArray userMessage(const QString& user, const std::optional<QByteArray>& imageJPEG);

    // What one run has seen so far, and the reading of each output line into chunks.
    struct StreamState {
        bool receivedText = false;     // a text delta arrived since the start or last tool
        std::optional<QString> error;  // the failure text of a final error result

        // The chunks one output line yields; lines that are not understood yield none.
        QStringList onLine(const QByteArray& line);
    };

    bool operator==(const ClaudeCLIProvider&) const = default;
};
