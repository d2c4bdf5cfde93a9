#include "Actions/ShellValueFlow.h"

#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellCommandReader.h"
#include "Actions/ShellWordPieces.h"
#include "Actions/ShellWords.h"

namespace ShellValueFlow {

namespace {

using ShellWords::isBlank;
using ShellWords::isName;
using ShellWords::unquoted;

// Builtins whose output is their words or nothing, whatever was kept before.
bool printsOnlyItsWords(const QString& program) {
    static const QSet<QString> builtins = {
        QStringLiteral("echo"),    QStringLiteral("printf"),  QStringLiteral("true"),
        QStringLiteral("false"),   QStringLiteral(":"),       QStringLiteral("read"),
        QStringLiteral("cd"),      QStringLiteral("export"),  QStringLiteral("local"),
        QStringLiteral("declare"), QStringLiteral("typeset"), QStringLiteral("readonly"),
        QStringLiteral("set"),     QStringLiteral("shift"),   QStringLiteral("unset"),
        QStringLiteral("test"),    QStringLiteral("["),       QStringLiteral("[[")};
    return builtins.contains(program);
}

// The word after a command's options ("printf -v x FORMAT": the format), or "" when there is
// none.
QString firstOperand(const QStringList& words, qsizetype program) {
    for (qsizetype i = program + 1; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (word == QLatin1String("--"))
            return i + 1 < words.size() ? words[i + 1] : QString();
        if (word == QLatin1String("-v")) {
            ++i;
            continue;
        }
        if (!word.startsWith(QLatin1Char('-')) || word.size() < 2)
            return words[i];
    }
    return {};
}

// Whether a command prints its words as it got them: echo unless told to read escapes, and
// printf with a format of the template's own that has only "%s" (no "%b", which decodes, nor
// widths, which pad).
bool printsWordsAsGiven(const QStringList& words, qsizetype program) {
    const QString name = unquoted(words[program]);
    if (name == QLatin1String("echo")) {
        for (qsizetype i = program + 1; i < words.size(); ++i) {
            const QString word = unquoted(words[i]);
            if (!word.startsWith(QLatin1Char('-')) || word.size() < 2)
                break;
            if (word.contains(QLatin1Char('e')))
                return false;
        }
        return true;
    }
    if (name != QLatin1String("printf"))
        return false;
    const QString format = firstOperand(words, program);
    static const QRegularExpression onlyStrings(QStringLiteral("^([^%$`]|%s|%%)*$"));
    return !format.isEmpty() && onlyStrings.match(unquoted(format)).hasMatch();
}

// Whether a command passes on what it reads line for line, as it read it: a line may be left
// out, never rewritten.
bool passesInputAsRead(const QStringList& words, qsizetype program) {
    static const QSet<QString> filters = {
        QStringLiteral("cat"),  QStringLiteral("tee"),   QStringLiteral("sort"),
        QStringLiteral("uniq"), QStringLiteral("head"),  QStringLiteral("tail"),
        QStringLiteral("grep"), QStringLiteral("egrep"), QStringLiteral("fgrep")};
    const QString name = unquoted(words[program]);
    if (!filters.contains(name))
        return printsWordsAsGiven(words, program);  // it does not print its input at all
    // cat -v and -A rewrite bytes, head and tail -c cut lines, grep -o prints parts of them.
    const QString rewriting = name == QLatin1String("cat") ? "vAetT"
                              : name == QLatin1String("head") || name == QLatin1String("tail") ? "c"
                              : name.endsWith(QLatin1String("grep"))                           ? "o"
                                                                                               : "";
    for (qsizetype i = program + 1; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (word.startsWith(QLatin1String("--bytes")) ||
            word.startsWith(QLatin1String("--only-matching")) ||
            word.startsWith(QLatin1String("--show")))
            return false;
        if (word.startsWith(QLatin1Char('-')) && !word.startsWith(QLatin1String("--")) &&
            std::any_of(rewriting.cbegin(), rewriting.cend(),
                        [&](QChar c) { return word.contains(c); }))
            return false;
    }
    return true;
}

}  // namespace

Values Flow::valuesOf(const QString& name) const {
    static const QRegularExpression value(QStringLiteral("^tavrin_value_([0-9]{1,9})$"));
    if (const QRegularExpressionMatch match = value.match(name); match.hasMatch()) {
        const qsizetype number = match.captured(1).toLongLong();
        if (number >= 1 && number <= valueCount)
            return {number};
        return {};
    }
    if (!name.isEmpty() &&
        (name[0].isDigit() || name == QLatin1String("@") || name == QLatin1String("*")))
        return names.value(name, names.value(QStringLiteral("@")));
    return names.value(name);
}

Values Flow::valuesIn(QStringView text, const Values& input) const {
    static const QRegularExpression expansion(
        QStringLiteral("\\$\\{?[#!]?([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*])|tavrin_value_[0-9]{1,9}"));
    Values values;
    const QString whole = text.toString();
    for (auto found = expansion.globalMatch(whole); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        values |= valuesOf(match.captured(1).isEmpty() ? match.captured() : match.captured(1));
    }
    if (!input.isEmpty() &&
        (whole.contains(QLatin1String("$(")) || whole.contains(QLatin1Char('`')) ||
         whole.contains(QLatin1String("<("))))
        values |= input;  // a command substitution may read the input
    return values;
}

Values Flow::changedOf(const QString& name) const {
    if (name.startsWith(QLatin1String("tavrin_value_")))
        return {};
    if (!name.isEmpty() &&
        (name[0].isDigit() || name == QLatin1String("@") || name == QLatin1String("*")))
        return changed.value(name, changed.value(QStringLiteral("@")));
    return changed.value(name);
}

// A word's pieces, read once (see ShellWordPieces): what its values and expansions bring.
void Flow::split(QStringView text, Values& given, Values& changedValues,
                 const Values& input) const {
    ShellWordPieces::Context context;
    context.input = input;
    ShellWordPieces::carried(ShellWordPieces::read(text.toString(), *this, context), given,
                             changedValues);
    // Whatever the reading may have passed over still counts, as given.
    given |= valuesIn(text, input);
}

Flow follow(const QString& marked, qsizetype valueCount, const Seed& seed) {
    Flow flow;
    flow.valueCount = valueCount;
    flow.names = seed.names;
    flow.changed = seed.changed;
    QList<RawCommand> raw;
    bool functions = false;
    Reader(raw, functions).read(marked);
    Values all;
    for (qsizetype number = 1; number <= valueCount; ++number)
        all.insert(number);
    if (all.isEmpty())
        return flow;

    // Variables that any value may reach: the last argument of the command before ("$_"),
    // what read, mapfile and getopts take from their input, and the arguments of functions.
    for (const char* name : {"_", "REPLY", "MAPFILE", "OPTARG"})
        flow.names[QLatin1String(name)] = all;
    if (functions)
        flow.names[QStringLiteral("@")] |= all;
    // getopts takes options apart.
    flow.changed[QStringLiteral("OPTARG")] = all;

    static const QRegularExpression leadingName(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)"));
    static const QRegularExpression defaultAssignment(
        QStringLiteral("\\$\\{([A-Za-z_][A-Za-z0-9_]*):?="));
    static const QSet<QString> declarations = {
        QStringLiteral("declare"), QStringLiteral("typeset"),  QStringLiteral("local"),
        QStringLiteral("export"),  QStringLiteral("readonly"), QStringLiteral("integer")};
    static const QSet<QString> readers = {QStringLiteral("read"), QStringLiteral("mapfile"),
                                          QStringLiteral("readarray"), QStringLiteral("getopts")};
    static const QSet<QString> directories = {QStringLiteral("cd"), QStringLiteral("pushd"),
                                              QStringLiteral("popd")};

    QList<Values> carried(raw.size());
    QList<Values> carriedChanged(raw.size());
    // The values that appear changed anywhere: "$_", a function's arguments and mapfile's
    // lines may hold any of them.
    Values anywhere;
    flow.commands.resize(raw.size());
    bool changed = true;
    const auto give = [&](const QString& name, const Values& values) {
        Values& held = flow.names[name];
        const qsizetype before = held.size();
        held |= values;
        changed = changed || held.size() != before;
    };
    const auto giveChanged = [&](const QString& name, const Values& values) {
        Values& held = flow.changed[name];
        const qsizetype before = held.size();
        held |= values;
        changed = changed || held.size() != before;
    };
    // `name` gets what `text` expands to.
    const auto giveText = [&](const QString& name, QStringView text, const Values& input) {
        Values given;
        Values derived;
        flow.split(text, given, derived, input);
        give(name, given | derived);
        giveChanged(name, derived);
    };
    // What a name is given as plain text, or that it is given something else than text and
    // values.
    static const QRegularExpression onlyValues(
        QStringLiteral("^(\"?\\$\\{tavrin_value_[0-9]+\\}\"?)+$"));
    const auto noteText = [&](const QString& name, const QString& text) {
        if (!ShellWords::expands(text))
            flow.texts[name].insert(unquoted(text));
        else if (!onlyValues.match(text).hasMatch())
            flow.computed.insert(name);
    };
    const auto assign = [&](const QString& word, const Values& input) {
        const QString name = leadingName.match(word).captured(1);
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        giveText(name, QStringView(word).mid(equals + 1), input);
        if (word.at(equals - 1) == QLatin1Char('+') || word.mid(equals + 1).startsWith('('))
            flow.computed.insert(name);
        else
            noteText(name, word.mid(equals + 1));
    };
    // Any program may keep what it was given (a file, a setting) for a later one to print:
    // a command may bring back what the commands before it got, and in a loop or a
    // function, which run again, what any command got.
    // So may one that runs beside them: in the background, as a coprocess, through a fifo.
    static const QRegularExpression repeats(
        QStringLiteral("(?<![A-Za-z0-9_-])(while|until|for|select|function|coproc|mkfifo)"
                       "(?![A-Za-z0-9_-])|(?<![&>|<])&(?![&>])"));
    const bool runsAgain = functions || repeats.match(marked).hasMatch();
    // A function's commands read whatever the function is given as input, where it is
    // called: any of them may read any value.
    if (functions) {
        for (RawCommand& command : raw)
            command.fedAnything = true;
    }
    while (changed) {
        changed = false;
        Values given;
        for (qsizetype c = 0; c < raw.size(); ++c) {
            const RawCommand& command = raw[c];
            const Values stored = runsAgain ? all : given;
            given |= carried[c];
            flow.commands[c].stored = stored;
            // A script's commands may each read what the command that starts it reads.
            Values input = (command.fedAnything ? all : Values{}) | seed.input;
            // What a file holds may have been written changed.
            Values changedInput = (command.fedAnything ? anywhere : Values{}) | seed.changedInput;
            if (command.readsFile) {
                input |= stored;
                changedInput |= stored;
            }
            for (const qsizetype feeder : command.feeders) {
                input |= carried[feeder];
                changedInput |= carriedChanged[feeder];
            }
            for (const QString& source : command.inputs) {
                Values given;
                flow.split(source, given, changedInput);
                input |= given | changedInput;
            }
            Values words;
            Values changedWords;
            flow.split(command.words.join(QLatin1Char(' ')), words, changedWords, input);
            words |= changedWords;
            const qsizetype before = carried[c].size() + flow.commands[c].input.size() +
                                     carriedChanged[c].size() +
                                     flow.commands[c].changedInput.size();
            carried[c] |= words | input;
            const qsizetype program = ShellWords::commandIndex(command.words);
            // A program prints what it got changed unless it passes words or input on as
            // given; what it may have kept from before counts as changed.
            carriedChanged[c] |= changedWords;
            if (program < 0 || !printsWordsAsGiven(command.words, program))
                carriedChanged[c] |= words;
            carriedChanged[c] |=
                program >= 0 && passesInputAsRead(command.words, program) ? changedInput : input;
            if (program >= 0 && !printsOnlyItsWords(unquoted(command.words[program]))) {
                carried[c] |= stored;
                carriedChanged[c] |= stored;
            }
            anywhere |= changedWords | changedInput;
            flow.commands[c].input |= input;
            flow.commands[c].changedInput |= changedInput;
            flow.commands[c].words = command.words;
            flow.commands[c].outputs = command.outputs;
            flow.commands[c].output = carried[c] | carriedChanged[c];
            changed = changed || carried[c].size() + flow.commands[c].input.size() +
                                         carriedChanged[c].size() +
                                         flow.commands[c].changedInput.size() !=
                                     before;

            const QStringList& w = command.words;
            const qsizetype index = ShellWords::commandIndex(w);
            for (qsizetype i = 0; i < (index < 0 ? w.size() : index); ++i) {
                if (ShellWords::isAssignment(w[i]))
                    assign(w[i], input);
            }
            for (const QString& word : w) {
                for (auto found = defaultAssignment.globalMatch(word); found.hasNext();) {
                    const QString name = found.next().captured(1);
                    giveText(name, word, input);
                    flow.computed.insert(name);
                }
            }
            if (index < 0)
                continue;
            const QString name = unquoted(w[index]);
            const QStringList arguments = w.mid(index + 1);
            if (declarations.contains(name)) {
                for (const QString& argument : arguments) {
                    if (ShellWords::isAssignment(unquoted(argument)))
                        assign(argument, input);
                }
            } else if ((name == QLatin1String("for") || name == QLatin1String("select")) &&
                       !arguments.isEmpty() && isName(unquoted(arguments[0]))) {
                const bool list =
                    arguments.size() > 1 && unquoted(arguments[1]) == QLatin1String("in");
                const QString name = unquoted(arguments[0]);
                giveText(name,
                         list ? arguments.mid(2).join(QLatin1Char(' ')) : QStringLiteral("$@"),
                         input);
                if (!list)
                    flow.computed.insert(name);
                for (const QString& word : arguments.mid(2)) {
                    if (word == QLatin1String(";") || word == QLatin1String("do"))
                        break;
                    noteText(name, word);
                }
            } else if (readers.contains(name)) {
                // What read takes from a line is the line's text cut at blanks, without the
                // backslashes unless told -r: cut at those too, each piece is as given.
                // getopts takes options apart.
                for (const QString& argument : arguments) {
                    if (!isName(unquoted(argument)))
                        continue;
                    flow.computed.insert(unquoted(argument));
                    give(unquoted(argument), all);
                    giveChanged(unquoted(argument),
                                name == QLatin1String("getopts") ? all : changedInput);
                }
            } else if (name == QLatin1String("printf")) {
                for (qsizetype i = 0; i < arguments.size(); ++i) {
                    const QString argument = unquoted(arguments[i]);
                    if (!argument.startsWith(QLatin1String("-v")))
                        continue;
                    const QString target =
                        argument.size() > 2
                            ? argument.mid(2)
                            : (i + 1 < arguments.size() ? unquoted(arguments[i + 1]) : QString());
                    const QString variable = leadingName.match(target).captured(1);
                    flow.computed.insert(variable);
                    give(variable, flow.valuesIn(w.join(' '), input));
                    if (!printsWordsAsGiven(w, index))
                        giveChanged(variable, flow.valuesIn(w.join(' '), input));
                }
            } else if (name == QLatin1String("set")) {
                QStringList operands;
                bool ended = false;
                for (const QString& argument : arguments) {
                    const QString plain = unquoted(argument);
                    if (ended ||
                        !(plain.startsWith(QLatin1Char('-')) || plain.startsWith(QLatin1Char('+'))))
                        operands.append(argument);
                    else if (plain == QLatin1String("--") || plain == QLatin1String("-"))
                        ended = true;
                    else if (plain == QLatin1String("-o") || plain == QLatin1String("+o"))
                        ended = false;
                }
                if (!operands.isEmpty() || ended)
                    giveText(QStringLiteral("@"), operands.join(QLatin1Char(' ')), input);
            } else if (directories.contains(name)) {
                const Values paths = flow.valuesIn(arguments.join(QLatin1Char(' ')), input);
                for (const char* variable : {"PWD", "OLDPWD", "DIRSTACK"})
                    give(QLatin1String(variable), paths);
            } else if (name == QLatin1String("[[") && arguments.contains(QStringLiteral("=~"))) {
                give(QStringLiteral("BASH_REMATCH"), flow.valuesIn(w.join(' '), input));
                giveChanged(QStringLiteral("BASH_REMATCH"), flow.valuesIn(w.join(' '), input));
            }
        }
        giveChanged(QStringLiteral("_"), anywhere);
        giveChanged(QStringLiteral("MAPFILE"), anywhere);
        if (functions)
            giveChanged(QStringLiteral("@"), anywhere);
    }
    flow.names.remove(QString());
    flow.changed.remove(QString());
    return flow;
}

}  // namespace ShellValueFlow
