#pragma once

#include <QList>
#include <QString>
#include <functional>
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

// fill() with quote(): every value becomes exactly one literal shell word.
QString fillQuoted(const QString& text, const QList<Placeholder>& placeholders);

}  // namespace ShellCommand
