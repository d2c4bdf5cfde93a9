#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QStringList>
#include <optional>

// Something the assistant can do besides writing text. Two are built in (the GitHub ones);
// the user's own are kept in the settings.
struct AssistantAction {
    enum class Kind { githubIssue, githubComment, shell, openURL };

    QString id;
    QString name;
    // When the model should propose the action (text for the model).
    QString trigger;
    Kind kind = Kind::shell;
    // How the model should fill the parameters (text for the model); may be empty.
    QString instructions;
    // For shell the command, for openURL the link, each with "{{name}}" per parameter;
    // empty for the GitHub kinds. (Stored under the key "template".)
    QString templateText;
    // Names of the parameters the model fills (shell and openURL).
    QStringList parameters;
    bool builtIn = false;
    // Keys of the stored form this version does not know, as they were read: written back
    // with the action, so that what a newer version stored survives this one.
    QJsonObject unknownKeys;

    // The two built-in actions, in their fixed order.
    static const QList<AssistantAction>& builtIns();

    // The name and occasion shown to the user; the built-ins speak to the user here
    // instead of about the user.
    QString displayName() const;
    QString displayTrigger() const;

    // All eight keys, always, and the unknown ones.
    QJsonObject toJson() const;
    // Strict: all eight keys with their types and a known kind; other keys are kept in
    // `unknownKeys`.
    static std::optional<AssistantAction> fromJson(const QJsonValue& value);

    bool operator==(const AssistantAction&) const = default;
};

size_t qHash(const AssistantAction& action, size_t seed = 0);

// The kind's raw value: "github_issue", "github_comment", "shell", "open_url".
QString rawValue(AssistantAction::Kind kind);
// Exactly one of the four raw values (case-sensitive), else none.
std::optional<AssistantAction::Kind> kindFromRaw(const QString& raw);
// Every kind, in order.
QList<AssistantAction::Kind> allKinds();
// The kind's German name for the user.
QString title(AssistantAction::Kind kind);
// The parameters the runner reads for the GitHub kinds; empty for the others.
QStringList fixedParameters(AssistantAction::Kind kind);
