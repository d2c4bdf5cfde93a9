#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramIdentity.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Which programs a command runs: the command word, and through the wrappers it knows (env,
// sudo, timeout …) and programs it does not know that name one it knows, the programs they
// start, each walked by its own options.

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

// Whether `word` is nothing but the value of one of the user's environment variables
// ("$SHELL", "${EDITOR}"), which may name any program: all but those that hold the user's
// folders, name, language or display. The template's own variables are written in lower
// case by custom, and what it stores there is its author's choice.
static bool namesProgramThroughVariable(const QString& word) {
    static const QRegularExpression wholeVariable(
        QStringLiteral("^\\$(?:([A-Z_][A-Z0-9_]*)|\\{([A-Z_][A-Z0-9_]*)\\})$"));
    const QRegularExpressionMatch match =
        wholeVariable.match(QString(word).remove(QLatin1Char('"')));
    if (!match.hasMatch())
        return false;
    const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    static const QRegularExpression data(
        QStringLiteral("^(HOME|PWD|OLDPWD|USER|LOGNAME|TMPDIR|DISPLAY|LANG|LC_[A-Z]+|HOSTNAME|"
                       "XDG_[A-Z_]+_(HOME|DIR))$"));
    return !data.match(name).hasMatch();
}

// A program the reader does not know may run another with the rest of its words, as the
// wrappers it knows do ("setarch x86_64 ed", "bwrap --ro-bind / / sh"): the position of the
// first later word that names a program the reader knows, or that may name any program
// through a variable ("bwrap … $SHELL"); -1 when there is none.
static qsizetype namedProgramAfter(const QStringList& words, qsizetype i) {
    for (qsizetype j = i + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (namesProgramThroughVariable(words[j]))
            return j;
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
            word.startsWith(QLatin1Char('+')) || expands(words[j]) || isAssignment(words[j]))
            continue;
        if (ShellProgramIdentity::runnable(programName(words[j])))
            return j;
    }
    return -1;
}

// The position of the program that `words` run, through the wrappers before it (env, sudo,
// timeout …) and programs the reader does not know that name one it knows; -1 when the words
// end among a wrapper's own, with how that wrapper reads the next word in `place`. `runner`:
// the first program the reader does not know on the way, whose strict rules hold too.
qsizetype ShellTemplateReader::programIndex(const QStringList& words,
                                            std::optional<WordPlace>* place,
                                            QList<qsizetype>* positions, QString* runner) {
    qsizetype i = commandIndex(words);
    if (i < 0)
        return -1;
    QString program = programName(words[i]);
    if (positions)
        positions->append(i);
    QString unfamiliar;
    for (;;) {
        if (!wrappers().contains(program)) {
            if (ShellProgramIdentity::familiar(program))
                break;
            const qsizetype next = namedProgramAfter(words, i);
            if (next < 0)
                break;
            if (unfamiliar.isEmpty())
                unfamiliar = program;
            i = next;
            program = programName(words[i]);
            if (positions)
                positions->append(i);
            continue;
        }
        const Wrapper& wrapper = wrappers()[program];
        const WrapperWalk walk = walkWrapper(program, wrapper, words, i);
        if (walk.runsNothing)
            break;
        if (walk.command == words.size()) {
            if (place) {
                *place = WordPlace{};
                (*place)->program = program;
                (*place)->endOfOptions = !walk.ended && honoursEndOfOptions(program);
                (*place)->options = walk.taken == 0 && !walk.ended;
                (*place)->assignment = walk.taken == 0 && wrapper.assignments && walk.operandsDone;
            }
            if (runner)
                *runner = unfamiliar;
            return -1;
        }
        i = walk.command;
        program = programName(words[i]);
        if (positions)
            positions->append(i);
    }
    // Behind a program the reader does not know, a program it knows among the words may be
    // one of the runner's own arguments ("bwrap --setenv PAGER less sh -c …"): every later one
    // it names is looked at too.
    if (positions && !unfamiliar.isEmpty()) {
        for (qsizetype j = namedProgramAfter(words, i); j >= 0; j = namedProgramAfter(words, j))
            positions->append(j);
    }
    if (runner)
        *runner = unfamiliar;
    return i;
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

QList<qsizetype> ShellTemplateReader::programPositions(const QStringList& words) {
    QList<qsizetype> positions;
    programIndex(words, nullptr, &positions);
    return positions;
}

QSet<qsizetype> ShellTemplateReader::runByUnknownPrograms(const QStringList& words) {
    QSet<qsizetype> run;
    bool unknownBefore = false;
    for (const qsizetype position : programPositions(words)) {
        if (unknownBefore)
            run.insert(position);
        const QString name = programName(words[position]);
        unknownBefore =
            unknownBefore || (!wrappers().contains(name) && !ShellProgramIdentity::familiar(name));
    }
    return run;
}
