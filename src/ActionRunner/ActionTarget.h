#pragma once

#include <QMap>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>

#include "Actions/AssistantAction.h"
#include "Projects/Project.h"

// What a confirmed action will reach, worked out the same way for the card that shows it and
// for the run that uses it: the issue number, the finished link and its host, the repository.
// The values come from a reply, which a stranger may have written: a value that does not name
// one target plainly is refused, never guessed at.
namespace ActionTarget {

// The issue a value names: its digits, with an optional "#" or "Issue" before them and blanks
// around ("#42", "Issue 7"). None for anything else, such as "#12 (Antwort auf #7)".
std::optional<QString> issueNumber(const QString& value);

struct Link {
    QUrl url;
    // The address as the browser gets it: escapes spelled out, the host in ASCII (punycode).
    QString address;
    QString host;
};

// The address a link action opens with these values, or the message that says why it opens
// none. A value may fill in the host where the template leaves it open, but only with what a
// host name holds: one that would move the host ("evil.example/", "x@", a blank) is refused.
std::variant<Link, QString> link(const AssistantAction& action,
                                 const QMap<QString, QString>& params);

// The host a link template names itself, in ASCII, whatever values come; none where a
// value makes the host, or for a template that opens nothing.
std::optional<QString> templateHost(const AssistantAction& action);

// The repository a GitHub action goes to: a non-empty "repo" value, else the project's.
std::optional<QString> repository(const QMap<QString, QString>& params,
                                  const std::optional<Project>& project);

// What the card says instead of offering the run, for values the run would refuse before
// starting anything; none when they may run.
std::optional<QString> refusal(const AssistantAction& action, const QMap<QString, QString>& params);

}  // namespace ActionTarget
