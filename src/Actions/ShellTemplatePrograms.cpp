#include <QRegularExpression>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Which program a command runs, and whether the template names it: a command whose program
// is known only when it runs gets no value.

using namespace ShellWords;

// Whether env's own words (up to its command) hold "-S": alone, in a bundle of flags ("-vS",
// "-iS"), or "--split-string" cut short. After "-u" or "-C" the rest of the word, or the next
// word, is their argument.
static bool splitsString(const QStringList& words) {
    for (qsizetype j = 0; j < words.size(); ++j) {
        const QString plain = unquoted(words[j]);
        if (plain == QLatin1String("--") || !plain.startsWith(QLatin1Char('-')) ||
            plain.size() < 2) {
            if (isAssignment(words[j]) || plain == QLatin1String("-"))
                continue;
            return false;  // the command, or "--" before it
        }
        if (plain.startsWith(QLatin1String("--"))) {
            if (ShellProgramOptions::abbreviates(plain, QStringLiteral("--split-string"), 3))
                return true;
            j += ShellProgramOptions::wordsTaken(QStringLiteral("env"), plain);
            continue;
        }
        for (qsizetype i = 1; i < plain.size(); ++i) {
            if (plain[i] == QLatin1Char('S'))
                return true;
            if (plain[i] == QLatin1Char('u') || plain[i] == QLatin1Char('C')) {
                if (i == plain.size() - 1)
                    ++j;
                break;
            }
        }
    }
    return false;
}

// A command word whose program cannot be told from the template: a name made of
// expansions, ANSI-C quoting, brace expansion or a glob, a path into /dev or /proc (a
// descriptor, the running shell itself), a folder the template computes, or an alias.
// Expansions in the folder of a path to a named program ("$HOME/bin/tool") leave it that
// program when the user's environment, not the template, sets them.
// The first program among `words` nobody can name from the template, as written: an unknown
// command word, or the string "env -S" splits into a command.
std::optional<QString> ShellTemplateReader::unknownProgram(const QStringList& words,
                                                           const QStringList& written) const {
    for (const Walk::Program& program : walk(words).programs) {
        if (unknownCommand(words[program.position]))
            return unquoted(written.value(program.position, words[program.position]));
        if (programName(words[program.position]) == QLatin1String("env") &&
            splitsString(words.mid(program.position + 1, program.end - program.position - 1)))
            return QStringLiteral("env -S");
    }
    return std::nullopt;
}

bool ShellTemplateReader::unknownCommand(const QString& word) const {
    const QString plain = unquoted(word);
    // An option naming a program glued to it, behind a runner that starts it.
    if (intoDevOrProc(plain) || plain.startsWith(QLatin1Char('-')))
        return true;
    if (aliasNames_.contains(plain))
        return true;
    if (word.contains(QLatin1String("$(")) || word.contains(QLatin1Char('`')) ||
        word.contains(QLatin1String("$'")) || word.contains(QLatin1String("$\"")))
        return true;
    const QString name = word.mid(word.lastIndexOf(QLatin1Char('/')) + 1);
    if (expands(name))
        return true;
    static const QRegularExpression patterns(QStringLiteral("\\{[^}]*(,|\\.\\.)[^}]*\\}|[*?]"));
    if (patterns.match(word).hasMatch())
        return true;
    if (plain.contains(QLatin1Char('[')) && plain != QLatin1String("[") &&
        plain != QLatin1String("[["))
        return true;
    static const QRegularExpression variable(
        QStringLiteral("\\$\\{?([A-Za-z_][A-Za-z0-9_]*|[0-9@*#])"));
    for (auto found = variable.globalMatch(word); found.hasNext();) {
        const QString variableName = found.next().captured(1);
        const bool positional =
            !variableName.at(0).isLetter() && variableName.at(0) != QLatin1Char('_');
        if (assignedNames_.contains(positional ? QString() : variableName))
            return true;
    }
    return false;
}

// A command whose program is unknown gets no value: not as an argument, not in its
// environment ("X={{a}} $cmd"), whatever brought it there. The command word itself holding
// a value is the template author's choice.
void ShellTemplateReader::checkCommand(const Frame& frame) {
    if (commandIndex(frame.words) < 0)
        return;
    const std::optional<QString> unknown = unknownProgram(frame.words, frame.written);
    if (!unknown)
        return;
    qsizetype named = -1;
    for (const Walk::Program& program : walk(frame.words).programs) {
        if (unknownCommand(frame.words[program.position])) {
            named = program.position;
            break;
        }
    }
    ShellValueFlow::Values values;
    for (qsizetype i = 0; i < frame.wordValues.size(); ++i) {
        if (i != named)
            values |= frame.wordValues[i];
    }
    if (exports_) {
        for (auto name = flow_.names.cbegin(); name != flow_.names.cend(); ++name) {
            if (assignedNames_.contains(name.key()))
                values |= name.value();
        }
    }
    noteReached(Evaluation::unknownCommand, *unknown, values);
}

// A command whose output is its own words or what it computes from them and the clock, never
// what a program was given before (in a file, a setting): echo, printf, tests, pwd (a path
// from the root), and date unless it reads a file or the template exports a variable (TZ
// names the zone it prints).
bool ShellTemplateReader::printsOnlyItsOwn(const QStringList& words) const {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return !std::any_of(words.cbegin(), words.cend(), [](const QString& word) {
            return expands(word);  // assignments whose values come from other commands
        });
    static const QSet<QString> builtins = {QStringLiteral("echo"), QStringLiteral("printf"),
                                           QStringLiteral("true"), QStringLiteral("false"),
                                           QStringLiteral(":"),    QStringLiteral("test"),
                                           QStringLiteral("["),    QStringLiteral("pwd")};
    const QString program = unquoted(words[index]);
    if (builtins.contains(program))
        return true;
    if (program != QLatin1String("date") || exports_)
        return false;
    static const QRegularExpression readsFile(QStringLiteral("^-[^-]*[fr]"));
    return std::none_of(words.cbegin() + index + 1, words.cend(), [](const QString& word) {
        const QString plain = unquoted(word);
        return readsFile.match(plain).hasMatch() ||
               ShellProgramOptions::abbreviates(plain, QStringLiteral("--file"), 3) ||
               ShellProgramOptions::abbreviates(plain, QStringLiteral("--reference"), 3);
    });
}
