#pragma once

#include <QList>
#include <QString>
#include <QStringList>
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

// The command as a person reads it: each value single-quoted in place of its placeholder
// ("git -C '/Users/a/My App' commit -m 'it'\''s done'"). For showing only; the shell runs
// script().
QString display(const QString& text, const QList<Placeholder>& placeholders);

// A template made ready for the shell: `arguments` holds the values, to be passed as
// positional parameters after the script and a name for $0 (`sh -c text tavrin arguments…`);
// `text` takes them into variables on its first line and refers to those where the
// placeholders stood. No value is part of the text the shell parses, so none can run as a
// command.
struct Script {
    QString text;
    QStringList arguments;

    bool operator==(const Script&) const = default;
};

// The script for `text` with its placeholders: each reference quoted for the spot where
// it stands (closing and reopening the template's own single quotes around it), so that it
// gives the value as one literal piece of its word. None when a placeholder stands where
// a shell would evaluate the value once more as code or arithmetic: after eval, let, trap,
// alias or "sh -c", as a variable's name (read, printf -v, declarations), in a prompt or hook
// variable, inside "((…))", "$((…))", "$[…]", "[[ … ]]", "${…}", subscripts or
// backquotes, in a here-document, or right after "$". Also none when the template does
// arithmetic on variables or hands an expansion to a command that takes names: a value
// that reaches such a variable would be evaluated too.
std::optional<Script> script(const QString& text, const QList<Placeholder>& placeholders);

}  // namespace ShellCommand
