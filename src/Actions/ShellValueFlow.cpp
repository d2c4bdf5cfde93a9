#include "Actions/ShellValueFlow.h"

#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellCommandReader.h"
#include "Actions/ShellWordPieces.h"
#include "Actions/ShellWords.h"

namespace ShellValueFlow {

using ShellWords::isName;
using ShellWords::unquoted;

Values Flow::everyValue() const {
    Values all;
    for (qsizetype number = 1; number <= valueCount; ++number)
        all.insert(number);
    return all;
}

Values Flow::valuesOf(const QString& name) const {
    static const QRegularExpression value(QStringLiteral("^tavrin_value_([0-9]{1,9})$"));
    if (const QRegularExpressionMatch match = value.match(name); match.hasMatch()) {
        const qsizetype number = match.captured(1).toLongLong();
        if (number >= 1 && number <= valueCount)
            return {number};
        return {};
    }
    return heldIn(names, name);
}

// What `record` says a name holds: a positional parameter what "@" holds where the reading does
// not know which it is, zsh's argv what the positional parameters hold.
Values Flow::heldIn(const QHash<QString, Values>& record, const QString& name) const {
    if (!name.isEmpty() &&
        (name[0].isDigit() || name == QLatin1String("@") || name == QLatin1String("*")))
        return record.value(name, record.value(QStringLiteral("@")));
    if (name == QLatin1String("argv") && !names.contains(name))
        return record.value(QStringLiteral("@"));
    return record.value(name);
}

// "${!name}" is whatever variable the name's text names: any value. "${!#}" is the last
// positional parameter, and "${!prefix*}" lists names, which the template makes.
static Values indirection(const Flow& flow, const QString& name, QStringView rest) {
    if (name == QLatin1String("#"))
        return flow.valuesOf(QStringLiteral("@"));
    if (ShellWords::isName(name) && (rest.startsWith(u"*}") || rest.startsWith(u"@}")))
        return {};
    return flow.everyValue();
}

Values Flow::valuesIn(QStringView text, const Values& input) const {
    static const QRegularExpression expansion(
        QStringLiteral("\\$\\{!([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#])?|"
                       "\\$\\{?#?([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*])|tavrin_value_[0-9]{1,9}"));
    Values values;
    const QString whole = text.toString();
    for (auto found = expansion.globalMatch(whole); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        if (match.captured().startsWith(QLatin1String("${!")))
            values |=
                indirection(*this, match.captured(1), QStringView(whole).mid(match.capturedEnd()));
        else
            values |= valuesOf(match.captured(2).isEmpty() ? match.captured() : match.captured(2));
    }
    if (!input.isEmpty() &&
        (whole.contains(QLatin1String("$(")) || whole.contains(QLatin1Char('`')) ||
         whole.contains(QLatin1String("<("))))
        values |= input;  // a command substitution may read the input
    return values;
}

Values Flow::changedOf(const QString& name) const {
    return name.startsWith(QLatin1String("tavrin_value_")) ? Values{} : heldIn(changed, name);
}

Values Flow::linesOf(const QString& name) const {
    return heldIn(lines, name);
}

Values Flow::fieldsOf(const QString& name) const {
    return heldIn(fields, name);
}

// A word's pieces, read once (see ShellWordPieces): what its values and expansions bring.
void Flow::split(QStringView text, Values& given, Values& changedValues,
                 const Values& input) const {
    const QString plain = withoutNumbers(text);
    ShellWordPieces::Context context;
    context.input = input;
    ShellWordPieces::carried(ShellWordPieces::read(plain, *this, context), given, changedValues);
    // Whatever the reading may have passed over still counts, as given.
    given |= valuesIn(plain, input);
}

namespace {

// What "read" and its kin put where: the names they fill (after their options; mapfile fills
// one), whether a name gets a piece of a line rather than a whole one (several names, an
// array), and whether the descriptor they read is one the reading does not follow ("-u").
struct Reading {
    QStringList names;
    bool pieces = false;
    bool otherDescriptor = false;
};

Reading readingOf(const QString& program, const QStringList& arguments) {
    // read: -a NAME, and the words of -d -i -n -N -p -t -u; mapfile: the words of -C -c -d -n
    // -O -s -u.
    const bool read = program == QLatin1String("read");
    const QString withWord = read ? QStringLiteral("adinNptu") : QStringLiteral("CcdnOsu");
    Reading reading;
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString word = unquoted(arguments[i]);
        if (word == QLatin1String("--")) {
            ++i;
            break;
        }
        if (word.size() < 2 || !word.startsWith(QLatin1Char('-')))
            break;
        for (qsizetype k = 1; k < word.size(); ++k) {
            if (!withWord.contains(word[k]))
                continue;
            const QString taken =
                k + 1 < word.size() ? word.mid(k + 1) : unquoted(arguments.value(i + 1));
            if (k + 1 == word.size())
                ++i;
            if (read && word[k] == QLatin1Char('a')) {
                reading.names.append(taken);
                reading.pieces = true;
            }
            reading.otherDescriptor = reading.otherDescriptor || word[k] == QLatin1Char('u');
            break;
        }
    }
    for (; i < arguments.size() && (read || reading.names.isEmpty()); ++i)
        reading.names.append(unquoted(arguments[i]));
    reading.pieces = reading.pieces || (read && reading.names.size() > 1);
    if (read && reading.names.isEmpty())
        reading.names.append(QStringLiteral("REPLY"));
    if (!read && reading.names.isEmpty())
        reading.names.append(QStringLiteral("MAPFILE"));
    return reading;
}

// The values `text` brings in outside quotes, where bash splits them into words and takes each
// as a pattern: a word of one, or the names it matches, is what a name then holds.
Values unquotedValues(const Flow& flow, QStringView text) {
    Values values;
    for (const ShellWordPieces::Piece& piece : ShellWordPieces::read(text.toString(), flow)) {
        if (piece.splitting == ShellWordPieces::Splitting::blanks ||
            piece.splitting == ShellWordPieces::Splitting::anywhere)
            values |= piece.given | piece.lines | piece.fields;
    }
    return values;
}

// Programs that create nothing in the folder whatever their words: a value among them names
// no file a pattern could later match.
bool namesNothing(const QString& program) {
    static const QSet<QString> programs = {
        QStringLiteral("echo"),        QStringLiteral("printf"),    QStringLiteral("print"),
        QStringLiteral("test"),        QStringLiteral("["),         QStringLiteral("[["),
        QStringLiteral("grep"),        QStringLiteral("egrep"),     QStringLiteral("fgrep"),
        QStringLiteral("wc"),          QStringLiteral("cat"),       QStringLiteral("head"),
        QStringLiteral("tail"),        QStringLiteral("date"),      QStringLiteral("seq"),
        QStringLiteral("sleep"),       QStringLiteral("ls"),        QStringLiteral("read"),
        QStringLiteral("mapfile"),     QStringLiteral("readarray"), QStringLiteral("expr"),
        QStringLiteral("let"),         QStringLiteral("set"),       QStringLiteral("cd"),
        QStringLiteral("notify-send"), QStringLiteral("basename"),  QStringLiteral("dirname"),
        QStringLiteral("for"),         QStringLiteral("case"),      QStringLiteral("if"),
        QStringLiteral("while"),       QStringLiteral("until"),     QStringLiteral("declare"),
        QStringLiteral("local"),       QStringLiteral("export"),    QStringLiteral("typeset"),
        QStringLiteral("readonly")};
    return programs.contains(program);
}

// Whether a here-document's or here-string's text is the template's own, with nothing bash
// expands in it: its text as the command reads it.
std::optional<QString> literalText(const RawInput& input, const Flow& flow) {
    switch (input.kind) {
        case RawInput::Kind::quotedHereDocument:
            return input.text;
        case RawInput::Kind::hereDocument:
            if (input.text.contains(QLatin1Char('$')) || input.text.contains(QLatin1Char('`')) ||
                input.text.contains(QLatin1Char('\\')))
                return std::nullopt;
            return input.text;
        case RawInput::Kind::hereString: {
            QString text;
            for (const ShellWordPieces::Piece& piece : ShellWordPieces::read(input.text, flow)) {
                if (piece.kind != ShellWordPieces::Piece::Kind::text)
                    return std::nullopt;
                text += piece.text;
            }
            return text + QLatin1Char('\n');
        }
        case RawInput::Kind::file:
            break;
    }
    return std::nullopt;
}

}  // namespace

Flow follow(const QString& marked, qsizetype valueCount, const Seed& seed) {
    Flow flow;
    flow.valueCount = valueCount;
    flow.names = seed.names;
    flow.changed = seed.changed;
    flow.lines = seed.lines;
    flow.fields = seed.fields;
    flow.named = seed.named;
    QList<RawCommand> raw;
    bool functions = false;
    Reader(raw, functions).read(marked);
    const Values all = flow.everyValue();
    if (all.isEmpty())
        return flow;

    // The names bash (or zsh) fills itself from what commands were given: the last argument of
    // the command before ("$_"), what read and mapfile take from their input line by line,
    // getopts' option arguments, what a pattern matched; the arguments of functions.
    for (const char* name : {"_", "REPLY", "MAPFILE", "OPTARG", "reply", "match", "MATCH"})
        flow.names[QLatin1String(name)] |= all;
    for (const char* name : {"REPLY", "MAPFILE", "reply"})
        flow.lines[QLatin1String(name)] |= all;
    for (const char* name : {"OPTARG", "match", "MATCH"})
        flow.changed[QLatin1String(name)] |= all;
    // A function may be called with a value split into words.
    if (functions) {
        flow.names[QStringLiteral("@")] |= all;
        flow.fields[QStringLiteral("@")] |= all;
    }

    static const QRegularExpression leadingName(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)"));
    static const QRegularExpression defaultAssignment(
        QStringLiteral("\\$\\{([A-Za-z_][A-Za-z0-9_]*):?="));
    static const QSet<QString> declarations = {
        QStringLiteral("declare"), QStringLiteral("typeset"),  QStringLiteral("local"),
        QStringLiteral("export"),  QStringLiteral("readonly"), QStringLiteral("integer")};
    static const QSet<QString> readers = {QStringLiteral("read"), QStringLiteral("mapfile"),
                                          QStringLiteral("readarray")};
    static const QSet<QString> directories = {QStringLiteral("cd"), QStringLiteral("pushd"),
                                              QStringLiteral("popd")};

    QList<Values> carried(raw.size());
    QList<Values> carriedChanged(raw.size());
    // The values that appear changed anywhere: "$_", a function's arguments and mapfile's
    // lines may hold any of them.
    Values anywhere;
    flow.commands.resize(raw.size());
    bool changed = true;
    const auto grow = [&](QHash<QString, Values>& record, const QString& name,
                          const Values& values) {
        Values& held = record[name];
        const qsizetype before = held.size();
        held |= values;
        changed = changed || held.size() != before;
    };
    const auto give = [&](const QString& name, const Values& values) {
        grow(flow.names, name, values);
    };
    const auto giveChanged = [&](const QString& name, const Values& values) {
        grow(flow.names, name, values);
        grow(flow.changed, name, values);
    };
    // What `text` brings in, as given and changed: its values and expansions, and what a
    // command it runs may print, which may be what any program kept before (`stored`).
    const auto expand = [&](QStringView text, Values& given, Values& derived, const Values& input,
                            const Values& stored) {
        flow.split(text, given, derived, input);
        if (runsCommands(text))
            derived |= stored;
        given |= derived;
    };
    // `name` gets what `text` expands to; with `split`, each word it makes (a loop's, an
    // array's, the positional parameters): a value outside quotes only a word of it.
    const auto giveText = [&](const QString& name, QStringView text, const Values& input,
                              const Values& stored, bool split = false) {
        Values given;
        Values derived;
        expand(text, given, derived, input, stored);
        give(name, given);
        giveChanged(name, derived);
        if (split && text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')')))
            text = text.mid(1, text.size() - 2);  // the elements of "name=( … )"
        if (split)
            grow(flow.fields, name, unquotedValues(flow, text));
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
    const auto assign = [&](const QString& word, const Values& input, const Values& stored) {
        const QString name = leadingName.match(word).captured(1);
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        giveText(name, QStringView(word).mid(equals + 1), input, stored,
                 word.mid(equals + 1).startsWith('('));
        if (word.at(equals - 1) == QLatin1Char('+') || word.mid(equals + 1).startsWith('('))
            flow.computed.insert(name);
        else
            noteText(name, word.mid(equals + 1));
    };
    // Any program may keep what it was given (a file, a setting) for a later one to print:
    // a command may bring back what the commands before it got, and in a loop or a
    // function, which run again, what any command got.
    // So may one that runs beside them: in the background, as a coprocess, through a fifo.
    static const QRegularExpression beside(
        QStringLiteral("(?<![A-Za-z0-9_-])(function|coproc|mkfifo)(?![A-Za-z0-9_-])|"
                       "(?<![&>|<])&(?![&>])"));
    const bool runsAgain = functions || beside.match(marked).hasMatch();
    // A function's commands read whatever the function is given as input, where it is
    // called: any of them may read any value.
    if (functions) {
        for (RawCommand& command : raw)
            command.fedAnything = true;
    }
    static const QRegularExpression reference(QStringLiteral("tavrin_value_[0-9]{1,9}"));
    while (changed) {
        changed = false;
        Values given;
        for (qsizetype c = 0; c < raw.size(); ++c) {
            const RawCommand& command = raw[c];
            const Values stored = runsAgain || command.repeats ? all : given;
            given |= carried[c];
            flow.commands[c].stored = stored;
            // A script's commands may each read what the command that starts it reads; a
            // descriptor the reading does not follow may hold anything.
            Values input =
                (command.fedAnything || command.unknownInput ? all : Values{}) | seed.input;
            // What a file holds may have been written changed.
            Values changedInput = (command.fedAnything ? anywhere : Values{}) |
                                  (command.unknownInput ? all : Values{}) | seed.changedInput;
            if (command.readsFile) {
                input |= stored;
                changedInput |= stored;
            }
            for (const qsizetype feeder : command.feeders) {
                input |= carried[feeder];
                changedInput |= carriedChanged[feeder];
            }
            for (const RawInput& source : command.inputs) {
                Values given;
                if (source.kind == RawInput::Kind::quotedHereDocument) {
                    // nothing in it expands; a placeholder there is refused where it stands
                    for (auto found = reference.globalMatch(source.text); found.hasNext();)
                        given |= flow.valuesOf(found.next().captured());
                } else {
                    expand(source.text, given, changedInput, Values{}, stored);
                }
                input |= given | changedInput;
            }
            const bool literal = command.inputs.size() == 1 && command.feeders.isEmpty() &&
                                 !command.fedAnything && !command.unknownInput;
            flow.commands[c].literalInput =
                literal ? literalText(command.inputs.first(), flow) : std::nullopt;
            const qsizetype program = ShellWords::commandIndex(command.words);
            Values words;
            Values changedWords;
            expand(command.words.join(QLatin1Char(' ')), words, changedWords, input, stored);
            // What it may print of its words: find and grep only some of them, as given.
            const std::optional<QStringList> printed =
                program >= 0 ? printedWords(command.words, program) : std::nullopt;
            Values printedGiven = words;
            Values printedChanged = changedWords;
            const bool asGiven = printed.has_value();
            if (asGiven) {
                printedGiven.clear();
                printedChanged.clear();
                expand(printed->join(QLatin1Char(' ')), printedGiven, printedChanged, input,
                       stored);
            }
            const qsizetype before = carried[c].size() + flow.commands[c].input.size() +
                                     carriedChanged[c].size() +
                                     flow.commands[c].changedInput.size();
            carried[c] |= printedGiven | input;
            // A program prints what it got changed unless it passes words or input on as
            // given; what it may have kept from before counts as changed.
            carriedChanged[c] |= printedChanged;
            if (!asGiven && (program < 0 || !printsWordsAsGiven(command.words, program)))
                carriedChanged[c] |= printedGiven;
            carriedChanged[c] |=
                program >= 0 && passesInputAsRead(command.words, program) ? changedInput : input;
            if (program >= 0 && !printsOnlyItsWords(unquoted(command.words[program]))) {
                carried[c] |= stored;
                carriedChanged[c] |= stored;
            }
            anywhere |= changedWords | changedInput;
            {
                Values naming;
                for (const QString& target : command.outputs)
                    naming |= flow.valuesIn(target);
                if (program >= 0 && !namesNothing(unquoted(command.words[program])))
                    naming |= words | changedWords;
                if (program >= 0 && unquoted(command.words[program]) == QLatin1String("xargs"))
                    naming |= input | changedInput;
                const qsizetype before = flow.named.size();
                flow.named |= naming;
                changed = changed || flow.named.size() != before;
            }
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
            for (qsizetype i = 0; i < (program < 0 ? w.size() : program); ++i) {
                if (ShellWords::isAssignment(w[i]))
                    assign(w[i], input, stored);
            }
            for (const QString& word : w) {
                for (auto found = defaultAssignment.globalMatch(word); found.hasNext();) {
                    const QString name = found.next().captured(1);
                    giveText(name, word, input, stored);
                    flow.computed.insert(name);
                }
            }
            if (program < 0)
                continue;
            const QString name = unquoted(w[program]);
            const QStringList arguments = w.mid(program + 1);
            if (declarations.contains(name)) {
                for (const QString& argument : arguments) {
                    if (ShellWords::isAssignment(unquoted(argument)))
                        assign(argument, input, stored);
                }
            } else if ((name == QLatin1String("for") || name == QLatin1String("select")) &&
                       !arguments.isEmpty() && isName(unquoted(arguments[0]))) {
                const bool list =
                    arguments.size() > 1 && unquoted(arguments[1]) == QLatin1String("in");
                const QString name = unquoted(arguments[0]);
                giveText(name,
                         list ? arguments.mid(2).join(QLatin1Char(' ')) : QStringLiteral("$@"),
                         input, stored, true);
                if (!list)
                    flow.computed.insert(name);
                for (const QString& word : arguments.mid(2)) {
                    if (word == QLatin1String(";") || word == QLatin1String("do"))
                        break;
                    noteText(name, word);
                }
            } else if (readers.contains(name)) {
                // What read takes is the text of a line, or with several names (or -a) a piece
                // of it; mapfile takes the lines one by one. Leading blanks and, without -r,
                // backslashes go, which the checks of a word's beginning allow for. A line may
                // begin anywhere in a value, after a line break.
                const Reading reading = readingOf(name, arguments);
                for (const QString& target : reading.names) {
                    const QString variable = leadingName.match(target).captured(1);
                    if (variable.isEmpty())
                        continue;
                    flow.computed.insert(variable);
                    give(variable, all);
                    grow(flow.lines, variable, all);
                    giveChanged(variable,
                                reading.pieces || reading.otherDescriptor ? all : changedInput);
                }
            } else if (name == QLatin1String("getopts")) {
                // getopts takes options apart: its names get pieces of any value.
                for (const QString& argument : arguments) {
                    if (isName(unquoted(argument)))
                        giveChanged(unquoted(argument), all);
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
                    Values printedValues;
                    Values derived;
                    expand(w.join(' '), printedValues, derived, input, stored);
                    give(variable, printedValues);
                    giveChanged(variable, derived);
                    if (!printsWordsAsGiven(w, program))
                        giveChanged(variable, printedValues);
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
                    giveText(QStringLiteral("@"), operands.join(QLatin1Char(' ')), input, stored,
                             true);
            } else if (directories.contains(name)) {
                Values paths;
                Values derived;
                expand(arguments.join(QLatin1Char(' ')), paths, derived, input, stored);
                for (const char* variable : {"PWD", "OLDPWD", "DIRSTACK"})
                    give(QLatin1String(variable), paths);
            } else if (name == QLatin1String("[[") && arguments.contains(QStringLiteral("=~"))) {
                Values matched;
                Values derived;
                expand(w.join(' '), matched, derived, input, stored);
                giveChanged(QStringLiteral("BASH_REMATCH"), matched);
            }
        }
        giveChanged(QStringLiteral("_"), anywhere);
        giveChanged(QStringLiteral("MAPFILE"), anywhere);
        if (functions)
            giveChanged(QStringLiteral("@"), anywhere);
        // bash keeps the positional parameters, last first, in BASH_ARGV too.
        giveChanged(QStringLiteral("BASH_ARGV"), flow.changedOf(QStringLiteral("@")));
        give(QStringLiteral("BASH_ARGV"), flow.valuesOf(QStringLiteral("@")));
        grow(flow.lines, QStringLiteral("BASH_ARGV"), flow.linesOf(QStringLiteral("@")));
        grow(flow.fields, QStringLiteral("BASH_ARGV"), flow.fieldsOf(QStringLiteral("@")));
    }
    flow.names.remove(QString());
    flow.changed.remove(QString());
    flow.lines.remove(QString());
    flow.fields.remove(QString());
    return flow;
}

}  // namespace ShellValueFlow
