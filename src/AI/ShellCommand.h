#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

// Building a command line for a POSIX shell out of a template and values the user did not
// write himself (they come from the model, which reads the screen).
namespace ShellCommand {

// One name and the raw value that replaces "{{name}}".
using Placeholder = std::pair<QString, QString>;

// POSIX single quoting: the value reaches the shell as one word with no expansion at all.
QString quote(const QString& value);

// Replaces every "{{name}}" of `text` by encode(value), scanning `text` once from left to
// right. Inserted text is never scanned again, so a value that contains a placeholder
// arrives as written. Where several names fit at one position, the earlier entry wins.
QString fill(const QString& text, const QList<Placeholder>& placeholders,
             const std::function<QString(const QString&)>& encode);

// fill() for a shell command: every value becomes one literal piece of the word it stands
// in, also where the template quotes the placeholder itself ("{{a}}", '{{a}}') or puts it
// in a command substitution. None when a placeholder stands where the shell would read a
// value once more and no quoting can keep it literal (inside backquotes, "${…}" or
// "$((…))", right after "$", after a here-document operator).
std::optional<QString> fillQuoted(const QString& text, const QList<Placeholder>& placeholders);

}  // namespace ShellCommand
