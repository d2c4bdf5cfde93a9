#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <variant>

// Building a command for bash out of a template and values the user did not write himself
// (they come from the model, which reads the screen).
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

// A template made ready for bash: `arguments` holds the values, to be passed as positional
// parameters after the script and a name for $0 (`bash -c text tavrin arguments…`); `text`
// takes them into variables on its first line and refers to those where the placeholders
// stood. No value is part of the text bash parses, so none can run as a command.
struct Script {
    QString text;
    QStringList arguments;

    bool operator==(const Script&) const = default;
};

// Why a template is not run with its values, and the placeholders concerned.
struct Refusal {
    enum class Reason {
        // A value would run as code: after eval, trap or alias, as the script of "sh -c",
        // in a prompt or hook variable, or as a shell's script from its input.
        evaluated,
        // A value would be arithmetic: "((…))", "$((…))", "$[…]", let, a subscript, an
        // integer declaration or variable, the operand of an arithmetic test.
        arithmetic,
        // A value would be a variable's name: read, printf -v, unset, test -v, a declaration.
        variableName,
        // A value reaches the arguments, input or environment of a command whose program is
        // known only when it runs: a name made of expansions, a glob, an alias, a path into
        // /dev or /proc.
        unknownCommand,
        // A value stands in, or reaches, a construct whose every reading the reader does not
        // know: "${…}" with operators, backquotes, $'…', a descriptor duplication, a file
        // the template writes and reads back, a shell option that changes how bash reads.
        unmodelled,
        // The template turns on a shell option that changes how bash reads it beyond what
        // the reader follows ("shopt -s extdebug", "set -k").
        shellOption,
        // A value may reach a spot where bash evaluates it once more through a variable,
        // a command substitution or a command's input ("x={{a}}; eval \"$x\""): the
        // placeholders whose values may get there are named, all of them where arithmetic
        // or subscripts use a variable the template sets or names come from expansions.
        throughVariable,
        // A placeholder in a here-document whose delimiter is quoted: nothing is inserted.
        quotedHereDocument,
        // The value begins with "-" and begins a word where the program reads options.
        option,
        // Text the template makes from a value (an expansion operator, a command
        // substitution, a program in a pipe, a decoder) begins a word where the program
        // reads options: it may be any text.
        derivedOption,
        // The program reads the value as a command or a setting: "+command" for vi and
        // less, "!command" for ed, "command|" for perl's open, "|command" and addresses for
        // sox, "NAME=value" for env, make and awk.
        readAsCommand,
        // The value is an operator of find's expression ("!", "("), where a path was meant.
        expression,
        // The value begins a refspec of git push or fetch with ":" (delete the remote
        // branch) or "+" (force).
        refspec,
        // The value makes a redirection's target that bash opens as a network connection
        // ("/dev/tcp/HOST/PORT").
        network,
        // The value holds a NUL character, which no program argument can carry.
        nul,
        // The value (or the whole command) is longer than the system passes to a program.
        tooLong,
    };
    Reason reason = Reason::evaluated;
    QStringList placeholders;
    // The piece of the template concerned, as written ("eval", "$((…))"), for the message;
    // empty where the reason says it all.
    QString construct;
    // Option refusals: the program that would read the option, as written ("sort", "git
    // log"), and whether "--" (for git "--end-of-options") before the word would end the
    // program's options.
    QString program;
    bool endOfOptions = false;
    // Where the program reads the value as syntax of its own: how the value carries it, and
    // the characters concerned ("+", "|", "=").
    enum class Edge { none, begins, ends, is, contains, address };
    Edge edge = Edge::none;
    QString edgeText;
    // The program takes a file name there and "./" before the value would make it plain
    // text; the value may be split into words on its way, and not its first word is the one.
    bool relativePath = false;
    bool split = false;
    // The program is none the reader knows, so it refuses every edge some program reads as
    // syntax of its own.
    bool unfamiliar = false;
    // The value is empty, and the template's text after it makes the edge.
    bool empty = false;
    // The long option right before a word that is only the placeholder ("--destination"),
    // to which the value could be glued with "=".
    QString glued;

    bool operator==(const Refusal&) const = default;
};

// The script for `text` with its placeholders: each reference quoted for the spot where it
// stands (closing and reopening the template's own single quotes around it, bare in a
// here-document), so that it gives the value as one literal piece of its word; or why it
// cannot be run with these values.
std::variant<Script, Refusal> prepare(const QString& text, const QList<Placeholder>& placeholders);

// prepare()'s script, none when it refuses.
std::optional<Script> script(const QString& text, const QList<Placeholder>& placeholders);

// The arguments for the user's login shell that run `script`: the login shell reads the
// user's profile (search path, exported variables) and then replaces itself with bash,
// handing over the script, single-quoted in its own command text, and the values as
// arguments it never parses.
QStringList loginShellArguments(const Script& script);

}  // namespace ShellCommand
