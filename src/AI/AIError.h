#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// A failure an AI tool (or a tool run on its behalf) reports in terms the user can act on.
// It is a value (streams and completions carry it) and may also be thrown.
class AIError : public std::exception {
public:
    enum class Kind {
        // The tool was not found; the payload is its display name ("Claude Code (claude)").
        cliNotFound,
        // The user is not signed in; the payload tells how to sign in.
        notLoggedIn,
        // Anything else; the payload is the message, shown as it is.
        failed,
    };

    static AIError cliNotFound(const QString& toolName);
    static AIError notLoggedIn(const QString& hint);
    static AIError failed(const QString& message);

    Kind kind() const { return m_kind; }
    const QString& payload() const { return m_payload; }

    // The text shown to the user. Only the failure message of `failed` skips translation:
    // it comes from the tool.
    QString errorDescription() const;
    const char* what() const noexcept override { return m_what.constData(); }

    bool operator==(const AIError& other) const {
        return m_kind == other.m_kind && m_payload == other.m_payload;
    }

private:
    AIError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_what;
};
