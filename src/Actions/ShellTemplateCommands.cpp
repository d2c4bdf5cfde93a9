#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateNames.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Which commands evaluate a word once more: as code, as a variable's name or as arithmetic.
// A value may stand in none of those words.

using namespace ShellWords;
using namespace ShellTemplateNames;
using ShellProgramOptions::isShell;
using ShellProgramOptions::wrappers;

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

// printf's "-v NAME" (or "-vNAME") names a variable; its format and the words after it are
// values. Which of `arguments` name one, and whether the word after them would; an argument
// that expands among the options may be "-v" itself.
struct PrintfNames {
    QList<qsizetype> indices;
    bool next = false;
};

PrintfNames printfNames(const QStringList& arguments) {
    PrintfNames names;
    static const QRegularExpression value(QStringLiteral("^\"?\\$\\{tavrin_value_[0-9]+\\}\"?$"));
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString argument = unquoted(arguments[i]);
        // A value itself is judged where printf reads options: one that begins with "-" is
        // refused there, any other is the format.
        if (value.match(arguments[i]).hasMatch())
            return names;
        if (expands(arguments[i])) {
            for (qsizetype j = i; j < arguments.size(); ++j)
                names.indices.append(j);
            names.next = true;
            return names;
        }
        if (argument == QLatin1String("--"))
            return names;
        if (argument == QLatin1String("-v")) {
            if (++i < arguments.size())
                names.indices.append(i);
            else
                names.next = true;
        } else if (argument.startsWith(QLatin1String("-v"))) {
            names.indices.append(i);
        } else if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-'))) {
            return names;  // the format
        }
    }
    return names;
}

// read, mapfile and readarray take a variable's name from their operands (read from -a's word
// too); the words of their other options are text or numbers, but for mapfile's -C, which is
// code. Which of `arguments` name a variable; whether the word after them would, or would be
// the callback.
struct ReaderNames {
    QList<qsizetype> indices;
    bool next = false;
    bool callback = false;
};

bool readsLines(const QString& command) {
    return command == QLatin1String("read") || command == QLatin1String("mapfile") ||
           command == QLatin1String("readarray");
}

ReaderNames readerNames(const QString& command, const QStringList& arguments) {
    const bool read = command == QLatin1String("read");
    const QString withWord = read ? QStringLiteral("adinNptu") : QStringLiteral("CcdnOsu");
    ReaderNames names;
    bool operands = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (operands || word.size() < 2 || !word.startsWith(QLatin1Char('-'))) {
            operands = true;
            names.indices.append(i);
            continue;
        }
        if (word == QLatin1String("--")) {
            operands = true;
            continue;
        }
        for (qsizetype k = 1; k < word.size(); ++k) {
            if (!withWord.contains(word[k]))
                continue;
            const bool name = read && word[k] == QLatin1Char('a');
            if (k + 1 < word.size()) {
                if (name)
                    names.indices.append(i);
            } else if (i + 1 < arguments.size()) {
                if (name)
                    names.indices.append(++i);
                else
                    ++i;
            } else {
                names.next = name;
                names.callback = word[k] == QLatin1Char('C') && !read;
                return names;
            }
            break;
        }
    }
    names.next = read || names.indices.isEmpty();
    return names;
}

// Commands that read a variable's name (or arithmetic) from an argument; an argument that
// expands hands them the value of another variable, which may hold a value of the template.
bool takesNames(const QString& command, const QStringList& arguments) {
    if (readsLines(command))
        return readerNames(command, arguments).next;
    static const QSet<QString> commands = {QStringLiteral("let"),     QStringLiteral("read"),
                                           QStringLiteral("mapfile"), QStringLiteral("readarray"),
                                           QStringLiteral("getopts"), QStringLiteral("unset"),
                                           QStringLiteral("compgen"), QStringLiteral("complete")};
    if (commands.contains(command))
        return true;
    if (command == QLatin1String("printf"))
        return printfNames(arguments).next;
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

bool integerVariable(const QString& name) {
    static const QRegularExpression integer(
        QStringLiteral("^(RANDOM|SRANDOM|OPTIND|HISTCMD|BASHPID)(\\[|\\+?$)"));
    return integer.match(name).hasMatch();
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
ShellTemplateReader::ShellTemplateReader(const QString& whole, ShellValueFlow::Flow flow,
                                         ShellValueFlow::Values integers)
    : arrayNames_(arrayNames(whole)),
      assignedNames_(assignedNames(whole)),
      flow_(std::move(flow)),
      integers_(std::move(integers)),
      aliasNames_(aliasNames(whole)),
      functionNames_(functionNames(whole)),
      associativeNames_(ShellAssociativeArrays::declaredIn(whole)) {
    static const QRegularExpression repeats(
        QStringLiteral("(?<![A-Za-z0-9_-])(while|until|for|select|function|coproc|mkfifo)"
                       "(?![A-Za-z0-9_-])|\\(\\s*\\)|(?<![&>|<])&(?![&>])"));
    runsAgain_ = repeats.match(whole).hasMatch();
    static const QRegularExpression exports(QStringLiteral(
        "(?<![A-Za-z0-9_-])(export|(declare|typeset|local|readonly)\\s+[^;&|\\n]*-[A-Za-z]*x|"
        "set\\s+[^;&|\\n]*(-[A-Za-z]*a|allexport))"));
    exports_ = exports.match(whole).hasMatch();
    if (const QString option = unknownShellOption(whole); !option.isEmpty()) {
        ShellValueFlow::Values all;
        for (qsizetype number = 1; number <= flow_.valueCount; ++number)
            all.insert(number);
        noteReached(Evaluation::shellOption, option, all);
    }
}

void ShellTemplateReader::noteReached(Evaluation how, const QString& construct,
                                      const ShellValueFlow::Values& values) {
    if (!reached_ && !values.isEmpty())
        reached_ = Finding{how, construct, values};
}

bool ShellTemplateReader::isEvaluatedVariable(const QString& name) {
    return evaluatedVariable().match(name).hasMatch();
}

// Whether bash evaluates `word` once more where it follows `words` in a command.
bool ShellTemplateReader::rereadsWord(const QStringList& words, const QString& word) const {
    Frame frame;
    frame.words = words;
    frame.word = word;
    return commandRereads(frame).has_value();
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
        if (readsLines(command)) {
            // Only the names are names: a prompt, a delimiter, a number is text to them.
            const QStringList given = arguments;
            arguments.clear();
            for (const qsizetype name : readerNames(command, given).indices) {
                if (expands(words[i + 1 + name]))
                    return true;
                arguments.append(given[name]);
            }
            expandingArgument = false;
        } else if (command == QLatin1String("printf")) {
            // Only the name is a name: the format and the values are read as text.
            const QStringList given = words.mid(i + 1);
            arguments.clear();
            for (const qsizetype name : printfNames(given).indices) {
                if (expands(given[name]))
                    return true;
                arguments.append(unquoted(given[name]));
            }
            expandingArgument = false;
        }
        if (expandingArgument && (takesNames(command, arguments) || declaration))
            return true;
        // A name's subscript is arithmetic, quoted or not ("unset 'arr[n]'"): a variable there
        // that may hold a value would be evaluated.
        if (takesNames(command, arguments) || declaration ||
            (command == QLatin1String("printf") && !arguments.isEmpty())) {
            static const QRegularExpression subscript(
                QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\[(.*)\\]"));
            static const QRegularExpression name(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
            for (const QString& argument : arguments) {
                const QString inside = subscript.match(argument).captured(1);
                if (inside.contains(QLatin1Char('`')) || inside.contains(QLatin1String("$(")) ||
                    !flow_.valuesIn(inside).isEmpty())
                    return true;
                for (auto found = name.globalMatch(inside); found.hasNext();) {
                    if (!flow_.valuesOf(found.next().captured()).isEmpty())
                        return true;
                }
            }
        }
        if (!expands(words[i]))
            break;
    }
    return false;
}

std::optional<ShellTemplateReader::Finding> ShellTemplateReader::commandRereads(
    const Frame& frame) const {
    if (const QString word = unquoted(frame.word); assignsEvaluatedVariable(word)) {
        const QString name = word.left(word.indexOf(QLatin1Char('=')));
        return Finding{integerVariable(name) ? Evaluation::arithmetic : Evaluation::code,
                       name + QLatin1Char('='),
                       {}};
    }
    const qsizetype index = commandIndex(frame.words);
    if (index < 0)
        return std::nullopt;  // the value is an assignment's or names the command itself
    if (const std::optional<QString> unknown = unknownProgram(frame.words, frame.written))
        return Finding{Evaluation::unknownCommand, *unknown, {}};
    // An option whose word a shell runs ("tar -I …"): the word is a second shell's script.
    const Walk found = walk(frame.words);
    for (const Walk::Program& program : found.programs) {
        const QString name = programName(frame.words[program.position]);
        if (wrappers().contains(name) &&
            (found.main >= 0 || !found.amongWrapper || found.amongWrapper->program != name))
            continue;  // a wrapper's options end where its command begins
        QStringList before;
        for (qsizetype j = program.position + 1; j < frame.words.size(); ++j)
            before.append(unquoted(frame.words[j]));
        if (const QString option =
                ShellProgramOptions::shellRunOption(name, before, unquoted(frame.word));
            !option.isEmpty())
            return Finding{Evaluation::code, option, {}};
    }
    if (auto finding = rereads(programName(frame.words[index]), frame, index))
        return finding;
    if (const std::optional<QString> shell = shellCommand(frame.words))
        return Finding{Evaluation::code, *shell, {}};
    return secondShellScript(frame.words, frame.word);
}

// Whether `current`, the word after `words`, is a second shell's script or an option that may
// make it one. Only a program the words run can be that shell: "git commit -m {{a}}" runs
// git, whatever its later words hold.
std::optional<ShellTemplateReader::Finding> ShellTemplateReader::secondShellScript(
    const QStringList& words, const QString& current) const {
    static const QSet<QString> handOver = {QStringLiteral("script"), QStringLiteral("flock"),
                                           QStringLiteral("su"), QStringLiteral("runuser")};
    for (const Walk::Program& program : walk(words).programs) {
        const QString name = programName(words[program.position]);
        if (program.end != words.size() || (!isShell(name) && !handOver.contains(name)))
            continue;
        const ShellCall call = shellCall(words, program.position, program.end, program.byUnknown);
        if (call.optionWord || call.operand >= 0)
            continue;  // an option's word, or the script's own words
        // The script, or an option of the shell that may make it one.
        if (call.command || (call.optionsOpen && unquoted(current).startsWith(QLatin1Char('-'))))
            return Finding{
                Evaluation::code, name + (call.command ? QStringLiteral(" -c") : QString()), {}};
        // ksh93 runs a script name it cannot find as a command line of its own.
        if (name.startsWith(QLatin1String("ksh")) || name.startsWith(QLatin1String("rksh")))
            return Finding{Evaluation::code, name, {}};
    }
    return std::nullopt;
}

std::optional<ShellTemplateReader::Finding> ShellTemplateReader::rereads(const QString& command,
                                                                         const Frame& frame,
                                                                         qsizetype index) const {
    QStringList arguments;
    for (qsizetype i = index + 1; i < frame.words.size(); ++i)
        arguments.append(unquoted(frame.words[i]));
    if (command == QLatin1String("let"))
        return Finding{Evaluation::arithmetic, command, {}};
    if (readsLines(command)) {
        const ReaderNames names = readerNames(command, arguments);
        if (names.callback)
            return Finding{Evaluation::code, command + QStringLiteral(" -C"), {}};
        if (names.next)
            return Finding{Evaluation::name, command, {}};
        return std::nullopt;
    }
    if (takesNames(command, arguments)) {
        QString construct = command;
        if (command == QLatin1String("printf"))
            construct += QStringLiteral(" -v");
        else if (command == QLatin1String("test") || command == QLatin1String("["))
            construct += QStringLiteral(" -v");
        else if (command == QLatin1String("wait"))
            construct += QStringLiteral(" -p");
        return Finding{Evaluation::name, construct, {}};
    }
    if (rereadsArguments(command))
        return Finding{Evaluation::code, command, {}};
    if (isDeclaration(command)) {
        for (const QString& argument : arguments) {
            if (declaresEvaluatedValues(argument)) {
                const bool reference = argument.contains(QLatin1Char('n'));
                return Finding{reference ? Evaluation::name : Evaluation::arithmetic,
                               command + QLatin1Char(' ') + argument,
                               {}};
            }
        }
        if (frame.arrayList)
            return std::nullopt;  // an element of a list is only a value
        // bash evaluates the subscript of a declared name, so a value may only be assigned;
        // and a value assigned to an array is read as a list with subscripts.
        const QString name = assignedName(unquoted(frame.word));
        if (name.isEmpty())
            return Finding{Evaluation::name, command, {}};
        if (arrayNames_.contains(name) ||
            std::any_of(arguments.cbegin(), arguments.cend(), declaresArrays))
            return Finding{
                Evaluation::arithmetic, command + QLatin1Char(' ') + name + QLatin1Char('='), {}};
    }
    return std::nullopt;
}
