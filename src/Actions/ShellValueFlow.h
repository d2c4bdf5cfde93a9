#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// Where the values of a shell command template can go besides the words they stand in: into
// variables (assignments, lists, loop variables, read targets, "set --", function
// arguments, "${name:=…}"), and through pipes, here-strings and here-documents into the
// standard input of other commands. The checks of the template reader look at a variable
// that can hold a value, or at input that can carry one, as they look at the value itself.
// Read over the template with each placeholder written as "${tavrin_value_N}" (N counting
// the values from 1): quotes are followed only as far as needed to find words, so that the
// reading errs towards more places a value may reach.
namespace ShellValueFlow {

// The numbers of the values that may reach a place.
using Values = QSet<qsizetype>;

// One simple command: its words as written, the values its standard input may carry, and
// those that any program may have stored before it runs (in a file, a setting), for a file
// it reads to bring back.
struct Command {
    QStringList words;
    Values input;
    Values stored;
    // The values of `input` that may arrive changed: through a program that rewrites what
    // it reads (sed, rev, base64 -d …) or from a file.
    Values changedInput;
    // The files its output goes to, and the values that output may carry.
    QStringList outputs;
    Values output;
    // Its input when that is the template's own text and nothing else: one here-document or
    // here-string that expands nothing. A shell that reads its script there reads this text.
    std::optional<QString> literalInput;
};

// The one record of where values may be: every check that asks whether a name, a word or a
// command's input may hold a value asks this. A name holds what the template puts there, and
// the names bash fills itself from what commands were given ("$_", REPLY, MAPFILE, OPTARG,
// BASH_ARGV, zsh's reply and match) may hold every value. A name the template never gives
// anything holds nothing: the login shell's environment and bash's counters hold no value,
// and a second shell's environment is what its caller hands it (Seed).
struct Flow {
    // What each variable may hold; "@" stands for the positional parameters, and "1", "2" …
    // for one of them where the reading knows which value it holds.
    QHash<QString, Values> names;
    // The values each variable may hold changed rather than as given: through an expansion
    // operator ("${v#x}"), a command substitution, a decoder, a piece of a line "read" cut.
    // Their text may be anything, so no check can rest on the value as the AI gave it. Every
    // value here is in `names` too.
    QHash<QString, Values> changed;
    // The values of which a variable may hold any one line rather than the whole text: what
    // "read" and mapfile take line by line. Every value here is in `names` too.
    QHash<QString, Values> lines;
    // The values of which a variable may hold any one word bash split off, or any name it
    // matched as a pattern: a loop over "$x" unquoted, "set -- $x", "a=($x)", a function's
    // arguments. Every value here is in `names` too.
    QHash<QString, Values> fields;
    QList<Command> commands;
    qsizetype valueCount = 0;
    // The plain text each variable is given where the template writes it out ("sh=bash", "for
    // f in a b"); a variable given anything else (an expansion, what read takes) is in
    // `computed`.
    QHash<QString, QSet<QString>> texts;
    QSet<QString> computed;
    // The values that may have named a file or folder where the template runs (touch, mkdir,
    // a redirection's target, any program that may create what it is given): a pattern's
    // matches, and so a loop over them, may hold any of them as a name.
    Values named;

    // The values variable `name` may hold ("1", "@" and "*" are positional parameters).
    Values valuesOf(const QString& name) const;
    // The values that the expansions in `text` may bring in: references to values, variables
    // that may hold one, and, with `input`, command substitutions that may read it.
    Values valuesIn(QStringView text, const Values& input = {}) const;
    // The values variable `name` may hold changed, and those of which it may hold one line.
    Values changedOf(const QString& name) const;
    Values linesOf(const QString& name) const;
    Values fieldsOf(const QString& name) const;
    // Every value: what a name may hold that the reading cannot show free of values.
    Values everyValue() const;
    Values heldIn(const QHash<QString, Values>& record, const QString& name) const;
    // The values the expansions in `text` bring in as given (a variable or a reference,
    // plain or with a default) and those they bring in changed.
    void split(QStringView text, Values& given, Values& changedValues,
               const Values& input = {}) const;
};

// What a script is given from outside: a second shell's positional parameters, and the input
// of the command that starts it.
struct Seed {
    QHash<QString, Values> names;
    QHash<QString, Values> changed;
    QHash<QString, Values> lines;
    QHash<QString, Values> fields;
    Values input;
    Values changedInput;
    // What may have named files in the folder before the script starts.
    Values named;
};

Flow follow(const QString& marked, qsizetype valueCount, const Seed& seed = {});

}  // namespace ShellValueFlow
