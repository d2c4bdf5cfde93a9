#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Which commands evaluate a word once more: as code, as a variable's name or as arithmetic.
// A value may stand in none of those words.

using namespace ShellWords;

namespace {

// Commands that run, evaluate or take a variable name from an argument: bash evaluates the
// subscripts of such names ("a[$(…)]"), so no value may stand there.
bool rereadsArguments(const QString& command) {
    static const QSet<QString> commands = {
        QStringLiteral("eval"),     QStringLiteral("let"),     QStringLiteral("trap"),
        QStringLiteral("read"),     QStringLiteral("mapfile"), QStringLiteral("readarray"),
        QStringLiteral("getopts"),  QStringLiteral("unset"),   QStringLiteral("compgen"),
        QStringLiteral("complete"), QStringLiteral("alias"),   QStringLiteral("fc"),
        QStringLiteral("bind"),     QStringLiteral("enable")};
    return commands.contains(command);
}

// Commands that read a variable's name (or arithmetic) from an argument; an argument that
// expands hands them the value of another variable, which may hold a value of the template.
bool takesNames(const QString& command, const QStringList& arguments) {
    static const QSet<QString> commands = {QStringLiteral("let"),     QStringLiteral("read"),
                                           QStringLiteral("mapfile"), QStringLiteral("readarray"),
                                           QStringLiteral("getopts"), QStringLiteral("unset"),
                                           QStringLiteral("compgen"), QStringLiteral("complete")};
    if (commands.contains(command))
        return true;
    if (command == QLatin1String("printf")) {
        return std::any_of(arguments.cbegin(), arguments.cend(), [](const QString& argument) {
            return argument.startsWith(QLatin1String("-v"));  // also "-vname"
        });
    }
    if (command == QLatin1String("test") || command == QLatin1String("["))
        return arguments.contains(QLatin1String("-v")) || arguments.contains(QLatin1String("-R"));
    if (command == QLatin1String("wait"))
        return arguments.contains(QLatin1String("-p"));
    return false;
}

// Variables whose values bash evaluates: prompts, start-up files and hooks it (or a shell
// it starts) expands or runs later, its integer variables, which take arithmetic, and the
// tables of aliases and command paths.
const QRegularExpression& evaluatedVariable() {
    static const QRegularExpression evaluated(
        QStringLiteral("^(PS[0-9]|PROMPT_COMMAND|ENV|BASH_ENV|RANDOM|SRANDOM|OPTIND|HISTCMD|"
                       "BASHPID|BASH_CMDS|BASH_ALIASES)(\\[[^\\]]*\\])?(\\+?=|$)"));
    return evaluated;
}

bool assignsEvaluatedVariable(const QString& word) {
    const QRegularExpressionMatch match = evaluatedVariable().match(word);
    return match.hasMatch() && !match.captured(3).isEmpty();
}

bool isShell(const QString& name) {
    static const QSet<QString> shells = {
        QStringLiteral("sh"),    QStringLiteral("bash"),   QStringLiteral("dash"),
        QStringLiteral("zsh"),   QStringLiteral("ksh"),    QStringLiteral("ksh93"),
        QStringLiteral("mksh"),  QStringLiteral("yash"),   QStringLiteral("posh"),
        QStringLiteral("fish"),  QStringLiteral("csh"),    QStringLiteral("tcsh"),
        QStringLiteral("rbash"), QStringLiteral("busybox")};
    return shells.contains(name);
}

QString programName(const QString& word) {
    const QString plain = unquoted(word);
    return plain.mid(plain.lastIndexOf(QLatin1Char('/')) + 1);
}

// The values a shell (or source) at `i` in `words` reads as its script: from its input when
// it has no script operand and no -c, or from a process substitution named as the script.
ShellValueFlow::Values scriptValues(const ShellValueFlow::Flow& flow, const QStringList& words,
                                    qsizetype program, const ShellValueFlow::Values& input) {
    static const QSet<QString> inputFiles = {QStringLiteral("-"), QStringLiteral("/dev/stdin"),
                                             QStringLiteral("/dev/fd/0"),
                                             QStringLiteral("/proc/self/fd/0")};
    static const QRegularExpression optionWithArgument(QStringLiteral("^[-+][A-Za-z]*[oO]$"));
    static const QRegularExpression commandOption(QStringLiteral("^-[A-Za-z]*c"));
    static const QRegularExpression inputOption(QStringLiteral("^-[A-Za-z]*s"));
    if (program < 0 || program >= words.size())
        return {};
    const QString name = programName(words[program]);
    // at and batch run their input later, as the user's shell script.
    if ((name == QLatin1String("at") || name == QLatin1String("batch")) &&
        !std::any_of(words.cbegin() + program, words.cend(), [](const QString& word) {
            return unquoted(word).startsWith(QLatin1String("-f"));
        }))
        return input;
    const bool source = name == QLatin1String("source") || name == QLatin1String(".");
    if (!source && !isShell(name) && !words[program].contains(QLatin1String("SHELL")))
        return {};
    bool fromInput = false;
    qsizetype j = program + 1;
    for (; !source && j < words.size(); ++j) {
        const QString option = unquoted(words[j]);
        if (option == QLatin1String("--")) {
            ++j;
            break;
        }
        if (option.size() < 2 ||
            !(option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('+'))))
            break;
        if (commandOption.match(option).hasMatch() || option == QLatin1String("--command"))
            return {};  // the script is a word: the reader looks at it
        if (inputOption.match(option).hasMatch())
            fromInput = true;
        if (optionWithArgument.match(option).hasMatch() || option == QLatin1String("--rcfile") ||
            option == QLatin1String("--init-file"))
            ++j;
    }
    if (fromInput || j >= words.size() || inputFiles.contains(unquoted(words[j])))
        return input;
    if (words[j].startsWith(QLatin1String("<(")))
        return flow.valuesIn(words[j], input);
    return {};
}

bool inSecondShellScript(const QStringList& words, const QString& current) {
    static const QSet<QString> handOver = {QStringLiteral("script"), QStringLiteral("flock"),
                                           QStringLiteral("su"), QStringLiteral("runuser")};
    static const QRegularExpression commandOption(QStringLiteral("^-[A-Za-z]*c"));
    static const QRegularExpression optionWithArgument(QStringLiteral("^[-+][A-Za-z]*[oO]$"));
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString name = programName(words[i]);
        const bool shell = isShell(name);
        if (!shell && !handOver.contains(name) && !expands(words[i]))
            continue;
        bool command = false;
        bool optionsEnded = false;
        bool optionArgument = false;
        qsizetype j = i + 1;
        for (; j < words.size(); ++j) {
            const QString option = unquoted(words[j]);
            if (std::exchange(optionArgument, false))
                continue;
            if (!optionsEnded && option == QLatin1String("--")) {
                optionsEnded = true;
                continue;
            }
            if (!optionsEnded && option.size() > 1 &&
                (option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('+')))) {
                if (commandOption.match(option).hasMatch() || option == QLatin1String("--command"))
                    command = true;
                optionArgument = optionWithArgument.match(option).hasMatch();
                continue;
            }
            if (command || shell)
                break;  // the script, or a script file whose arguments are only words
        }
        if (j < words.size())
            continue;
        // The current word is the script, or an option of the shell that may make it one.
        if (command || (!optionsEnded && unquoted(current).startsWith(QLatin1Char('-'))))
            return true;
    }
    return false;
}

bool isDeclaration(const QString& command) {
    static const QSet<QString> commands = {QStringLiteral("declare"), QStringLiteral("typeset"),
                                           QStringLiteral("local"), QStringLiteral("export"),
                                           QStringLiteral("readonly")};
    return commands.contains(command);
}

// Options that make a declared value arithmetic or the name of another variable.
bool declaresEvaluatedValues(const QString& option) {
    static const QRegularExpression evaluated(QStringLiteral("^[-+][A-Za-z]*[in]"));
    return evaluated.match(option).hasMatch();
}

bool declaresArrays(const QString& option) {
    static const QRegularExpression arrays(QStringLiteral("^[-+][A-Za-z]*[aA]"));
    return arrays.match(option).hasMatch();
}

// Names the template makes arrays, read without regard to quotes so that it errs towards
// more, and bash's own arrays.
QSet<QString> arrayNames(const QString& text) {
    QSet<QString> names = {QStringLiteral("BASH_ALIASES"), QStringLiteral("BASH_ARGC"),
                           QStringLiteral("BASH_ARGV"),    QStringLiteral("BASH_CMDS"),
                           QStringLiteral("BASH_LINENO"),  QStringLiteral("BASH_REMATCH"),
                           QStringLiteral("BASH_SOURCE"),  QStringLiteral("BASH_VERSINFO"),
                           QStringLiteral("COMP_WORDS"),   QStringLiteral("DIRSTACK"),
                           QStringLiteral("FUNCNAME"),     QStringLiteral("GROUPS"),
                           QStringLiteral("MAPFILE"),      QStringLiteral("PIPESTATUS")};
    static const QRegularExpression list(QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)\\+?=\\("));
    static const QRegularExpression takers(
        QStringLiteral("(?<![A-Za-z0-9_-])(mapfile|readarray|read\\s[^;&|\\n]*-[A-Za-z]*a|"
                       "(declare|typeset|local|export|readonly)\\s[^;&|\\n]*[-+][A-Za-z]*[aA])"
                       "(?![A-Za-z0-9_-])([^;&|\\n]*)"));
    static const QRegularExpression name(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    for (auto found = list.globalMatch(text); found.hasNext();)
        names.insert(found.next().captured(1));
    for (auto found = takers.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(3);
        for (auto word = name.globalMatch(rest); word.hasNext();)
            names.insert(word.next().captured());
    }
    return names;
}

// Every name a template may give a value to: assignments, loop variables, the names that
// read, printf -v, declarations and "${name:=…}" take. Read without regard to quotes, so
// that it errs towards more names.
QSet<QString> assignedNames(const QString& text) {
    static const QRegularExpression assignment(
        QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)(\\[[^\\]]*\\])?\\+?=|"
                       "\\$\\{([A-Za-z_][A-Za-z0-9_]*):?="));
    static const QRegularExpression takesNames(QStringLiteral(
        "(?<![A-Za-z0-9_-])(for|select|read|mapfile|readarray|getopts|printf|declare|"
        "typeset|local|export|readonly|let)(?![A-Za-z0-9_-])([^;&|\\n]*)"));
    static const QRegularExpression name(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    static const QRegularExpression setsPositional(
        QStringLiteral("(?<![A-Za-z0-9_-])(set|shift)(?![A-Za-z0-9_-])"));
    QSet<QString> names;
    for (auto found = assignment.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        names.insert(match.captured(1).isEmpty() ? match.captured(3) : match.captured(1));
    }
    for (auto found = takesNames.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(2);
        for (auto word = name.globalMatch(rest); word.hasNext();)
            names.insert(word.next().captured());
    }
    if (setsPositional.match(text).hasMatch())
        names.insert(QString());
    return names;
}

// test and "[" read their operators from the words they get: an expansion that stands where
// an operator may be read could become "-v", which evaluates its operand's subscript. An
// expansion right after an operator of the template, before one, or last is an operand.
bool testOperatorFromExpansion(const QStringList& words, qsizetype index) {
    const QString command = unquoted(words[index]);
    if (command != QLatin1String("test") && command != QLatin1String("["))
        return false;
    QStringList arguments = words.mid(index + 1);
    if (command == QLatin1String("[") && !arguments.isEmpty() &&
        unquoted(arguments.last()) == QLatin1String("]"))
        arguments.removeLast();
    const auto isOperator = [&](qsizetype i) {
        if (i < 0 || i >= arguments.size() || expands(arguments[i]))
            return false;
        // "!", "-a" and "-o" join tests: the word after them may be an operator again.
        const QString word = unquoted(arguments[i]);
        if (word == QLatin1String("-a") || word == QLatin1String("-o"))
            return false;
        return word.startsWith(QLatin1Char('-')) || word == QLatin1String("=") ||
               word == QLatin1String("==") || word == QLatin1String("!=") ||
               word == QLatin1String("<") || word == QLatin1String(">");
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (expands(arguments[i]) && i + 1 < arguments.size() && !isOperator(i - 1) &&
            !isOperator(i + 1))
            return true;
    }
    return false;
}

}  // namespace

// The names the template sets are asked only by the checks below.
ShellTemplateReader::ShellTemplateReader(const QString& whole, ShellValueFlow::Flow flow)
    : arrayNames_(arrayNames(whole)),
      assignedNames_(assignedNames(whole)),
      flow_(std::move(flow)) {}

bool ShellTemplateReader::isEvaluatedVariable(const QString& name) {
    return evaluatedVariable().match(name).hasMatch();
}

// Whether bash evaluates `word` once more where it follows `words` in a command.
bool ShellTemplateReader::rereadsWord(const QStringList& words, const QString& word) const {
    Frame frame;
    frame.words = words;
    frame.word = word;
    return commandRereads(frame);
}

// Commands whose input may carry values: a shell that reads its script there, a command
// substitution that reads it where bash evaluates the word, and xargs, which makes the input
// arguments of its command.
void ShellTemplateReader::followInputs() {
    for (const ShellValueFlow::Command& command : flow_.commands) {
        const QStringList& words = command.words;
        const ShellValueFlow::Values script =
            scriptValues(flow_, words, programIndex(words), command.input);
        if (!script.isEmpty()) {
            const qsizetype first = *std::min_element(script.cbegin(), script.cend());
            scriptFromInput_ = std::min(scriptFromInput_.value_or(first), first);
        }
        if (command.input.isEmpty())
            continue;
        for (qsizetype j = 0; j < words.size(); ++j) {
            if ((words[j].contains(QLatin1String("$(")) || words[j].contains(QLatin1Char('`'))) &&
                rereadsWord(words.mid(0, j), words[j]))
                evaluatedValues_ |= command.input;
        }
        const auto xargs = std::find_if(words.cbegin(), words.cend(), [](const QString& word) {
            return programName(word) == QLatin1String("xargs");
        });
        if (xargs == words.cend())
            continue;
        static const QSet<QString> withArgument = {
            QStringLiteral("-n"),          QStringLiteral("-L"),
            QStringLiteral("-l"),          QStringLiteral("-d"),
            QStringLiteral("-a"),          QStringLiteral("-P"),
            QStringLiteral("-s"),          QStringLiteral("-E"),
            QStringLiteral("--arg-file"),  QStringLiteral("--delimiter"),
            QStringLiteral("--max-args"),  QStringLiteral("--max-lines"),
            QStringLiteral("--max-procs"), QStringLiteral("--max-chars"),
            QStringLiteral("--eof")};
        QString replace;
        qsizetype i = xargs - words.cbegin() + 1;
        while (i < words.size()) {
            const QString option = unquoted(words[i]);
            if (option == QLatin1String("--")) {
                ++i;
                break;
            }
            if (!option.startsWith(QLatin1Char('-')))
                break;
            if (option == QLatin1String("-I")) {
                replace = i + 1 < words.size() ? unquoted(words[i + 1]) : QString();
                i += 2;
                continue;
            }
            if (option.startsWith(QLatin1String("-I")))
                replace = option.mid(2);
            else if (option == QLatin1String("-i") || option == QLatin1String("--replace"))
                replace = QStringLiteral("{}");
            else if (option.startsWith(QLatin1String("--replace=")))
                replace = option.mid(10);
            else if (option.startsWith(QLatin1String("-i")))
                replace = option.mid(2);
            i += withArgument.contains(option) ? 2 : 1;
        }
        const auto spotAt = [&](const QStringList& before) {
            if (const std::optional<WordPlace> place = placeAfter(before)) {
                OptionSpot spot;
                spot.reached = command.input;
                spot.place = *place;
                optionSpots_.append(spot);
            }
        };
        if (replace.isEmpty()) {
            if (rereadsWord(words, QString()))
                evaluatedValues_ |= command.input;
            spotAt(words);
            continue;
        }
        for (qsizetype j = i; j < words.size(); ++j) {
            const QString word = unquoted(words[j]);
            if (!word.contains(replace))
                continue;
            if (rereadsWord(words.mid(0, j), words[j]))
                evaluatedValues_ |= command.input;
            if (word.startsWith(replace))
                spotAt(words.mid(0, j));
        }
    }
}

bool ShellTemplateReader::namesFromExpansions(const QStringList& words) const {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return false;
    if (testOperatorFromExpansion(words, index))
        return true;
    for (qsizetype i = index; i < words.size(); ++i) {
        const QString command = withoutExpansions(unquoted(words[i]));
        QStringList arguments;
        bool expandingArgument = false;
        const bool declaration = isDeclaration(command);
        bool arrays = false;
        for (qsizetype j = i + 1; j < words.size(); ++j)
            arrays = arrays || (declaration && declaresArrays(unquoted(words[j])));
        for (qsizetype j = i + 1; j < words.size(); ++j) {
            const QString argument = unquoted(words[j]);
            arguments.append(argument);
            if (!expands(words[j]))
                continue;
            // A declaration's assignment reads the expansion as a value, not a name, unless
            // the name is an array: then a value that is not a list's element is read as a
            // list with subscripts.
            static const QRegularExpression list(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\+?=\\("));
            const QString name = declaration ? assignedName(argument) : QString();
            if (name.isEmpty() ||
                (!list.match(argument).hasMatch() && (arrays || arrayNames_.contains(name))))
                expandingArgument = true;
        }
        if (expandingArgument && (takesNames(command, arguments) || declaration))
            return true;
        if (!expands(words[i]))
            break;
    }
    return false;
}

bool ShellTemplateReader::commandRereads(const Frame& frame) const {
    if (assignsEvaluatedVariable(unquoted(frame.word)))
        return true;
    const qsizetype index = commandIndex(frame.words);
    if (index < 0)
        return false;  // the value is an assignment's or names the command itself
    // A command word with expansions may turn into any word or none: what is left of it and
    // of the words up to the first plain one may each be the command.
    for (qsizetype i = index; i < frame.words.size(); ++i) {
        if (unknownCommand(frame.words[i]))
            return true;
        const QString word = unquoted(frame.words[i]);
        if (rereads(withoutExpansions(word), frame, i))
            return true;
        if (!expands(word))
            break;
    }
    // watch hands its words, joined, to "sh -c" unless told to run them itself.
    const qsizetype program = programIndex(frame.words);
    if (program >= 0 && unquoted(frame.words[program]) == QLatin1String("watch") &&
        !std::any_of(frame.words.cbegin() + program, frame.words.cend(), [](const QString& word) {
            const QString plain = unquoted(word);
            return plain == QLatin1String("--exec") ||
                   (plain.startsWith(QLatin1Char('-')) && !plain.startsWith(QLatin1String("--")) &&
                    plain.contains(QLatin1Char('x')));
        }))
        return true;
    return inSecondShellScript(frame.words.mid(index), frame.word);
}

// A command word whose command cannot be told from the template: ANSI-C quoting, brace
// expansion, a glob, "${…}" with operators, or a variable the template sets itself. The
// user's own environment ("$EDITOR") is taken as the user's choice.
bool ShellTemplateReader::unknownCommand(const QString& word) const {
    static const QRegularExpression unknown(QStringLiteral(
        "\\$['\"]|\\{[^}]*(,|\\.\\.)[^}]*\\}|[*?]|\\$\\{(?![A-Za-z_][A-Za-z0-9_]*\\})"));
    if (unknown.match(word).hasMatch())
        return true;
    const QString plain = unquoted(word);
    if (plain.contains(QLatin1Char('[')) && plain != QLatin1String("[") &&
        plain != QLatin1String("[["))
        return true;
    static const QRegularExpression variable(
        QStringLiteral("\\$\\{?([A-Za-z_][A-Za-z0-9_]*|[0-9@*#])"));
    for (auto found = variable.globalMatch(word); found.hasNext();) {
        const QString name = found.next().captured(1);
        const bool positional = !name.at(0).isLetter() && name.at(0) != QLatin1Char('_');
        if (assignedNames_.contains(positional ? QString() : name))
            return true;
    }
    return false;
}

bool ShellTemplateReader::rereads(const QString& command, const Frame& frame,
                                  qsizetype index) const {
    QStringList arguments;
    for (qsizetype i = index + 1; i < frame.words.size(); ++i)
        arguments.append(unquoted(frame.words[i]));
    if (rereadsArguments(command) || takesNames(command, arguments))
        return true;
    if (isDeclaration(command)) {
        if (std::any_of(arguments.cbegin(), arguments.cend(), declaresEvaluatedValues))
            return true;
        if (frame.arrayList)
            return false;  // an element of a list is only a value
        // bash evaluates the subscript of a declared name, so a value may only be assigned;
        // and a value assigned to an array is read as a list with subscripts.
        const QString name = assignedName(unquoted(frame.word));
        return name.isEmpty() || arrayNames_.contains(name) ||
               std::any_of(arguments.cbegin(), arguments.cend(), declaresArrays);
    }
    return false;
}
