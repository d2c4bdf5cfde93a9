#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramIdentity.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Which programs a command runs: the command word, and through the wrappers it knows (env,
// sudo, timeout …), programs it does not know that name one it knows and find's -exec, the
// programs they start, each walked by its own options; and how a shell takes its words.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {

// Where a wrapper's own words end: the position of its command (the end of `words` when it
// has not begun yet), and what the words so far make of the next one.
struct WrapperWalk {
    qsizetype command = 0;
    int taken = 0;
    bool ended = false;
    bool operandsDone = false;
    // The command is a shell's script; the word that makes it one ("-s" of sudo, a tmux
    // command), when there is one.
    bool throughShell = false;
    QString shellWord;
    // The words end in an option whose word is a shell command ("tmux -c").
    bool codeArgument = false;
    // tmux with a command that runs none.
    bool runsNothing = false;
    // The option whose word comes next, where one does.
    QString lastOption;
};

WrapperWalk walkWrapper(const QString& program, const Wrapper& wrapper, const QStringList& words,
                        qsizetype i) {
    WrapperWalk walk;
    const Options* table = &wrapper.own;
    int operands = 0;
    bool exec = false;
    QString lastOption;
    qsizetype j = i + 1;
    for (; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (walk.taken > 0) {
            --walk.taken;
        } else if (!walk.ended && word == QLatin1String("--")) {
            walk.ended = true;
        } else if (!walk.ended && word == QLatin1String("-") && program == QLatin1String("env")) {
            // "env -": the command starts with an empty environment
        } else if (!walk.ended && word.size() > 1 && word.startsWith(QLatin1Char('-'))) {
            walk.taken = wordsTaken(*table, word);
            lastOption = word;
            const bool letters = !word.startsWith(QLatin1String("--"));
            exec = exec || abbreviates(word, QStringLiteral("--exec"), 4) ||
                   (letters && word.contains(QLatin1Char('x')));
            if (abbreviates(word, QStringLiteral("--shell"), 4) ||
                abbreviates(word, QStringLiteral("--login"), 4) ||
                (letters && (word.contains(QLatin1Char('s')) || word.contains(QLatin1Char('i')))))
                walk.shellWord = word;
        } else if (operands < wrapper.operands) {
            ++operands;
            if (wrapper.subcommands) {
                const auto found = wrapper.subcommands->constFind(word);
                if (found == wrapper.subcommands->cend()) {
                    walk.runsNothing = true;
                    return walk;
                }
                table = &*found;
                walk.shellWord = word;
            }
        } else if (wrapper.assignments && word.contains(QLatin1Char('='))) {
            // a setting for the command
        } else {
            break;
        }
    }
    walk.command = j;
    walk.lastOption = walk.taken > 0 ? lastOption : QString();
    walk.operandsDone = operands == wrapper.operands;
    walk.codeArgument =
        walk.taken > 0 && !wrapper.codeOption.isEmpty() && lastOption == wrapper.codeOption;
    using Shell = Wrapper::Shell;
    walk.throughShell = wrapper.shell == Shell::always ||
                        (wrapper.shell == Shell::unlessExec && !exec) ||
                        (wrapper.shell == Shell::withShellOption && !walk.shellWord.isEmpty());
    if (wrapper.shell != Shell::withShellOption && !wrapper.subcommands)
        walk.shellWord.clear();
    return walk;
}

}  // namespace

// Variables of the user's environment that hold folders, a name, a language or a display,
// never a program.
static bool holdsData(const QString& name) {
    static const QRegularExpression data(
        QStringLiteral("^(HOME|PWD|OLDPWD|USER|LOGNAME|TMPDIR|DISPLAY|LANG|LC_[A-Z]+|HOSTNAME|"
                       "XDG_[A-Z_]+_(HOME|DIR))$"));
    return data.match(name).hasMatch();
}

// Whether `word` names a program only when bash runs: a command substitution (unless its
// output is a number or a date), backquotes, an expansion with an operator, a variable the
// template does not give plain text (one of the user's environment, or one it computes),
// unless the variable holds a folder, a name or the like, or only values (a value naming a
// program is its author's choice). "$HOME/bin/tool" names the tool.
bool ShellTemplateReader::computedProgram(const QString& word) const {
    static const QRegularExpression numeric(
        QStringLiteral("\\$\\(\\s*(date|wc)\\b[^$`;&|()]*\\)|\\$\\(\\([^`]*\\)\\)|\\$\\{#[A-Za-z_]["
                       "A-Za-z0-9_]*\\}"));
    static const QRegularExpression variable(QStringLiteral(
        "\\$(?:([A-Za-z_][A-Za-z0-9_]*|[0-9@*])|\\{([A-Za-z_][A-Za-z0-9_]*|[0-9@*])\\})"));
    // Inside '…' nothing expands.
    static const QRegularExpression singleQuoted(QStringLiteral("'[^']*'"));
    const QString plain = QString(word).remove(singleQuoted);
    const QString name = plain.mid(plain.lastIndexOf(QLatin1Char('/')) + 1);
    QString rest = QString(name).remove(numeric);
    if (rest.contains(QLatin1String("$(")) || rest.contains(QLatin1Char('`')) ||
        rest.contains(QLatin1String("$'")))
        return true;
    for (auto found = variable.globalMatch(rest); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        const QString held = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (held.startsWith(QLatin1String("tavrin_value_")) || holdsData(held))
            continue;
        const bool positional = !isNameStart(held[0]);
        const bool valuesOnly = !flow_.valuesOf(held).isEmpty() &&
                                flow_.changedOf(held).isEmpty() && !flow_.computed.contains(held) &&
                                !flow_.texts.contains(held);
        const bool plainText = !positional && flow_.texts.contains(held) &&
                               !flow_.computed.contains(held) && flow_.valuesOf(held).isEmpty();
        if (!valuesOnly && !plainText)
            return true;
    }
    // What is left of "${…}" has an operator in it.
    return rest.remove(variable).contains(QLatin1String("${"));
}

// A program the reader does not know may run another with the rest of its words, as the
// wrappers it knows do ("setarch x86_64 ed", "bwrap --ro-bind / / sh"): the position of the
// first later word that names a program the reader knows, also through plain text the
// template gives a variable ("sh=bash … $sh"), or that names one only when bash runs
// ("$SHELL", "$(command -v bash)"); -1 when none does before `end`.
qsizetype ShellTemplateReader::namedProgramAfter(const QStringList& words, qsizetype from,
                                                 qsizetype end) const {
    static const QRegularExpression plainVariable(
        QStringLiteral("^\\$(?:([A-Za-z_][A-Za-z0-9_]*)|\\{([A-Za-z_][A-Za-z0-9_]*)\\})$"));
    for (qsizetype j = from + 1; j < end; ++j) {
        const QString word = unquoted(words[j]);
        // An option may name the program glued to it ("--exec=/bin/sh", "-x/bin/sh"): the
        // command is then one the words cannot name.
        if (word.startsWith(QLatin1Char('-')) && word.size() > 2 && !expands(words[j])) {
            const QString glued =
                word.startsWith(QLatin1String("--"))
                    ? (word.contains(QLatin1Char('=')) ? word.section(QLatin1Char('='), 1)
                                                       : QString())
                    : word.mid(2);
            if (!glued.isEmpty() && ShellProgramIdentity::runnable(programName(glued)))
                return j;
        }
        if (word.isEmpty() || word.startsWith(QLatin1Char('-')) ||
            word.startsWith(QLatin1Char('+')) || isAssignment(words[j]))
            continue;
        if (!expands(words[j])) {
            if (ShellProgramIdentity::runnable(programName(words[j])))
                return j;
            continue;
        }
        if (computedProgram(words[j]))
            return j;
        // "$HOME/bin/sh": a folder of the user's, a program's name.
        if (const QString name = word.mid(word.lastIndexOf(QLatin1Char('/')) + 1);
            word.contains(QLatin1Char('/')) && !expands(name) &&
            ShellProgramIdentity::runnable(programName(name)))
            return j;
        const QRegularExpressionMatch match = plainVariable.match(word);
        const QSet<QString> texts =
            match.hasMatch() ? flow_.texts.value(match.captured(1).isEmpty() ? match.captured(2)
                                                                             : match.captured(1))
                             : QSet<QString>{};
        if (std::any_of(texts.cbegin(), texts.cend(), [](const QString& text) {
                return ShellProgramIdentity::runnable(programName(text));
            }))
            return j;
    }
    return -1;
}

// Whether the command word at `index` calls a function of the template's: "command" and
// "builtin" before it pass functions over.
bool ShellTemplateReader::callsFunction(const QStringList& words, qsizetype index) const {
    return functionNames_.contains(unquoted(words[index])) &&
           std::none_of(words.cbegin(), words.cbegin() + index, [](const QString& word) {
               return unquoted(word) == QLatin1String("command") ||
                      unquoted(word) == QLatin1String("builtin");
           });
}

// The command of each "-exec", "-execdir", "-ok" and "-okdir" of the find at `program`: where
// it begins and where its ";" (or "{} +") stands, `end` while none has come.
QList<std::pair<qsizetype, qsizetype>> ShellTemplateReader::findCommands(const QStringList& words,
                                                                         qsizetype program,
                                                                         qsizetype end) {
    static const QSet<QString> runs = {QStringLiteral("-exec"), QStringLiteral("-execdir"),
                                       QStringLiteral("-ok"), QStringLiteral("-okdir")};
    QList<std::pair<qsizetype, qsizetype>> commands;
    for (qsizetype j = program + 1; j < end; ++j) {
        if (!runs.contains(unquoted(words[j])))
            continue;
        qsizetype k = j + 1;
        for (; k < end; ++k) {
            const QString word = unquoted(words[k]);
            if (word == QLatin1String(";") ||
                (word == QLatin1String("+") && unquoted(words[k - 1]) == QLatin1String("{}")))
                break;
        }
        commands.append({j + 1, k});
        j = k;
    }
    return commands;
}

ShellTemplateReader::Walk ShellTemplateReader::walk(const QStringList& words) const {
    Walk found;
    qsizetype i = commandIndex(words);
    if (i < 0)
        return found;
    const qsizetype end = words.size();
    QString program = programName(words[i]);
    bool byUnknown = false;
    found.programs.append({i, end, false});
    for (;;) {
        // The template's own function, whose commands are read where they stand; a program
        // (timeout, env …) cannot run one, only a program of that name.
        if (found.programs.size() == 1 && callsFunction(words, i))
            break;
        if (!wrappers().contains(program)) {
            if (ShellProgramIdentity::familiar(program))
                break;
            const qsizetype next = namedProgramAfter(words, i, end);
            if (next < 0)
                break;
            if (found.runner.isEmpty())
                found.runner = program;
            byUnknown = true;
            i = next;
            program = programName(words[i]);
            found.programs.append({i, end, true});
            continue;
        }
        const Wrapper& wrapper = wrappers()[program];
        const WrapperWalk wrapped = walkWrapper(program, wrapper, words, i);
        if (wrapped.runsNothing)
            break;
        if (wrapped.command == end) {
            WordPlace place;
            place.program = program;
            place.endOfOptions = !wrapped.ended && honoursEndOfOptions(program);
            place.options = wrapped.taken == 0 && !wrapped.ended;
            place.assignment = wrapped.taken == 0 && wrapper.assignments && wrapped.operandsDone;
            const QString& option = wrapped.lastOption;
            if (program == QLatin1String("strace") &&
                ((!option.startsWith(QLatin1String("--")) && option.endsWith(QLatin1Char('o'))) ||
                 abbreviates(option, QStringLiteral("--output"), 5)))
                place.syntax = NameSyntax::pipedOutput;
            found.amongWrapper = place;
            return found;
        }
        i = wrapped.command;
        program = programName(words[i]);
        found.programs.append({i, end, byUnknown});
    }
    found.main = found.programs.size() - 1;
    // Behind a program the reader does not know, a program it knows among the words may be
    // one of the runner's own arguments ("bwrap --setenv PAGER less sh -c …", "time -o ls
    // git …"): every later one it names is looked at too.
    if (!found.runner.isEmpty()) {
        for (qsizetype j = namedProgramAfter(words, i, end); j >= 0;
             j = namedProgramAfter(words, j, end))
            found.programs.append({j, end, true});
    }
    // find runs the command of each -exec with the words up to its ";".
    for (qsizetype p = 0; p < found.programs.size(); ++p) {
        const Walk::Program finder = found.programs[p];
        if (programName(words[finder.position]) != QLatin1String("find"))
            continue;
        for (const auto& [first, last] : findCommands(words, finder.position, finder.end)) {
            const Walk inside = walk(words.mid(first, last - first));
            for (Walk::Program run : inside.programs) {
                run.position += first;
                run.end = last;
                run.byUnknown = run.byUnknown || finder.byUnknown;
                found.programs.append(run);
            }
        }
    }
    return found;
}

// Whether the word after `words` belongs to a command a wrapper hands to a shell as its
// script ("sudo -s", "sg GROUP", "watch" without -x, "tmux new-session"), as written; and in
// `given`, whether that command has begun (without one, the shell reads its input).
std::optional<QString> ShellTemplateReader::shellCommand(const QStringList& words, bool* given) {
    qsizetype i = commandIndex(words);
    if (i < 0)
        return std::nullopt;
    QString program = programName(words[i]);
    while (wrappers().contains(program)) {
        const Wrapper& wrapper = wrappers()[program];
        const WrapperWalk walk = walkWrapper(program, wrapper, words, i);
        if (walk.runsNothing)
            return std::nullopt;
        const QString construct =
            walk.shellWord.isEmpty() ? program : program + QLatin1Char(' ') + walk.shellWord;
        if (given)
            *given = walk.command < words.size();
        if (walk.codeArgument)
            return program + QLatin1Char(' ') + wrapper.codeOption;
        if (walk.throughShell &&
            (walk.command < words.size() || (walk.taken == 0 && walk.operandsDone)))
            return construct;
        if (walk.command == words.size())
            return std::nullopt;
        i = walk.command;
        program = programName(words[i]);
    }
    return std::nullopt;
}

ShellTemplateReader::ShellCall ShellTemplateReader::shellCall(const QStringList& words,
                                                              qsizetype program, qsizetype end,
                                                              bool byUnknown) {
    const QString name = programName(words[program]);
    const bool shell = isShell(name) || words[program].contains(QLatin1String("SHELL"));
    ShellCall call;
    int taken = 0;
    bool ended = false;
    for (qsizetype j = program + 1; j < end; ++j) {
        const QString option = unquoted(words[j]);
        if (taken > 0) {
            --taken;
            continue;
        }
        if (!ended && option == QLatin1String("--")) {
            // su and runuser hand the words after it to the shell, "-c" among them.
            ended = !byUnknown && shell;
            continue;
        }
        if (!ended && option.size() > 1 &&
            (option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('+')))) {
            const ShellOption read = shell ? shellOption(name, option)
                                           : ShellOption{0, namesCommandOption(option), false};
            call.command = call.command || read.command;
            call.fromInput = call.fromInput || read.input;
            taken = read.words;
            continue;
        }
        // su, runuser, script and flock take their user, file or lock before or after the
        // option that gives the command.
        if (!shell && !call.command)
            continue;
        call.operand = j;
        break;
    }
    call.optionsOpen = call.operand < 0 && !ended;
    call.optionWord = taken > 0;
    return call;
}
