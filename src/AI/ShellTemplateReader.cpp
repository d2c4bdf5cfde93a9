#include "AI/ShellTemplateReader.h"

#include <QRegularExpression>
#include <QSet>
#include <optional>

namespace {

bool isNameCharacter(QChar c) {
    return c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetterOrNumber());
}

// Only these end a word for the shell; no-break and other Unicode spaces are word
// characters to it.
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// A word as the shell sees it after quote removal, near enough to recognise 'eval' or
// e\val as eval.
QString unquoted(QString word) {
    word.remove(QStringLiteral("\\\n"));  // a line continuation joins the word's pieces
    word.remove(QLatin1Char('\''));
    word.remove(QLatin1Char('"'));
    word.remove(QLatin1Char('\\'));
    return word;
}

bool isName(const QString& word) {
    static const QRegularExpression name(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return name.match(word).hasMatch();
}

bool isAssignment(const QString& word) {
    static const QRegularExpression assignment(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\[[^\\]]*\\])?\\+?="));
    return assignment.match(word).hasMatch();
}

// "name=" or "name+=" right before "(": an array list follows.
bool opensArrayList(const QString& word) {
    static const QRegularExpression start(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\+?=$"));
    return start.match(word).hasMatch();
}

// Words before the command itself that do not change which command runs.
bool isPrefixWord(const QString& word) {
    static const QSet<QString> prefixes = {
        QStringLiteral("!"),      QStringLiteral("{"),         QStringLiteral("}"),
        QStringLiteral("if"),     QStringLiteral("then"),      QStringLiteral("else"),
        QStringLiteral("elif"),   QStringLiteral("fi"),        QStringLiteral("do"),
        QStringLiteral("done"),   QStringLiteral("while"),     QStringLiteral("until"),
        QStringLiteral("time"),   QStringLiteral("command"),   QStringLiteral("builtin"),
        QStringLiteral("noglob"), QStringLiteral("nocorrect"), QStringLiteral("coproc")};
    return prefixes.contains(word);
}

// Prefix words that take options of their own ("time -p", "command -p").
bool takesOptions(const QString& word) {
    return word == QLatin1String("time") || word == QLatin1String("command") ||
           word == QLatin1String("builtin");
}

// The position of the command word among `words`, -1 when the command has not begun.
qsizetype commandIndex(const QStringList& words) {
    bool optionsMayFollow = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (word == QLatin1String("function")) {
            ++i;  // and the function's name
            continue;
        }
        if (word.endsWith(QLatin1String("()")))
            continue;  // a function's name: its body's commands follow
        if (optionsMayFollow && word.startsWith(QLatin1Char('-')))
            continue;
        if (!isAssignment(words[i]) && !isPrefixWord(word))
            return i;
        optionsMayFollow = takesOptions(word);
    }
    return -1;
}

// Commands that run, evaluate or take a variable name from an argument: bash evaluates the
// subscripts of such names ("a[$(…)]"), so no value may stand there.
bool rereadsArguments(const QString& command) {
    static const QSet<QString> commands = {
        QStringLiteral("eval"),      QStringLiteral("let"),     QStringLiteral("trap"),
        QStringLiteral("read"),      QStringLiteral("mapfile"), QStringLiteral("readarray"),
        QStringLiteral("getopts"),   QStringLiteral("unset"),   QStringLiteral("compgen"),
        QStringLiteral("complete"),  QStringLiteral("alias"),   QStringLiteral("fc"),
        QStringLiteral("bind"),      QStringLiteral("enable")};
    return commands.contains(command);
}

// Commands that read a variable's name (or arithmetic) from an argument; an argument that
// expands hands them the value of another variable, which may hold a value of the template.
bool takesNames(const QString& command, const QStringList& arguments) {
    static const QSet<QString> commands = {
        QStringLiteral("let"),       QStringLiteral("read"),    QStringLiteral("mapfile"),
        QStringLiteral("readarray"), QStringLiteral("getopts"), QStringLiteral("unset"),
        QStringLiteral("compgen"),   QStringLiteral("complete")};
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
bool assignsEvaluatedVariable(const QString& word) {
    static const QRegularExpression evaluated(
        QStringLiteral("^(PS[0-9]|PROMPT_COMMAND|ENV|BASH_ENV|RANDOM|SRANDOM|OPTIND|HISTCMD|"
                       "BASHPID|BASH_CMDS|BASH_ALIASES)(\\[[^\\]]*\\])?\\+?="));
    return evaluated.match(word).hasMatch();
}

// What is left of an unquoted word once its expansions are gone: "$@let" runs let when there
// are no arguments, and "$x" may be nothing at all.
QString withoutExpansions(const QString& word) {
    static const QRegularExpression expansion(QStringLiteral(
        "\\$\\{[^}]*\\}?|\\$\\([^)]*\\)?|\\$[A-Za-z_][A-Za-z0-9_]*|\\$[0-9@*#?$!-]?|`[^`]*`?"));
    return QString(word).remove(expansion);
}

bool expands(const QString& word) {
    return word.contains(QLatin1Char('$')) || word.contains(QLatin1Char('`'));
}

// Whether the word after `words` belongs to the script of a second shell: "sh -c WORD",
// with any options between ("bash -o pipefail -c", "-c --"), behind sudo, env or timeout;
// also programs that hand their -c argument to a shell (script, flock, su) and a program
// named by an expansion ("$SHELL -c"). The program word and the -c decide: that shell
// parses whatever the word expands to. Words after the script are only its parameters.
bool inSecondShellScript(const QStringList& words, const QString& current) {
    static const QSet<QString> shells = {
        QStringLiteral("sh"),   QStringLiteral("bash"),  QStringLiteral("dash"),
        QStringLiteral("zsh"),  QStringLiteral("ksh"),   QStringLiteral("ksh93"),
        QStringLiteral("mksh"), QStringLiteral("yash"),  QStringLiteral("posh"),
        QStringLiteral("fish"), QStringLiteral("csh"),   QStringLiteral("tcsh"),
        QStringLiteral("rbash"), QStringLiteral("busybox")};
    static const QSet<QString> handOver = {QStringLiteral("script"), QStringLiteral("flock"),
                                           QStringLiteral("su"), QStringLiteral("runuser")};
    static const QRegularExpression commandOption(QStringLiteral("^-[A-Za-z]*c"));
    static const QRegularExpression optionWithArgument(QStringLiteral("^[-+][A-Za-z]*[oO]$"));
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        const QString name = word.mid(word.lastIndexOf(QLatin1Char('/')) + 1);
        const bool shell = shells.contains(name);
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

// The option that takes the next word as its argument, per program: there a value is the
// argument even when it begins with "-" (a commit message "- Tippfehler behoben").
bool takesNextWord(const QString& program, const QString& option) {
    static const QSet<QString> git = {QStringLiteral("-m"), QStringLiteral("--message"),
                                      QStringLiteral("-am"), QStringLiteral("-C"),
                                      QStringLiteral("-b"), QStringLiteral("-B"),
                                      QStringLiteral("--author")};
    static const QSet<QString> gh = {
        QStringLiteral("-t"),         QStringLiteral("--title"), QStringLiteral("-b"),
        QStringLiteral("--body"),     QStringLiteral("-R"),      QStringLiteral("--repo"),
        QStringLiteral("-l"),         QStringLiteral("--label"), QStringLiteral("-a"),
        QStringLiteral("--assignee"), QStringLiteral("-B"),      QStringLiteral("--base"),
        QStringLiteral("-H"),         QStringLiteral("--head")};
    if (program == QLatin1String("git"))
        return git.contains(option);
    if (program == QLatin1String("gh"))
        return gh.contains(option);
    return false;
}

// Where a value standing alone as the word after `words` would be read as an option if it
// began with "-": none when it is the command word, an assignment, a word of a shell
// keyword, after "--", after printf's format, or the argument of an option that takes one.
// echo reads only "-n", "-e", "-E" and their combinations as options.
std::optional<bool> optionPlace(const QStringList& words) {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return std::nullopt;
    const QString word = unquoted(words[index]);
    const QString command = word.mid(word.lastIndexOf(QLatin1Char('/')) + 1);
    static const QSet<QString> keywords = {
        QStringLiteral("[["),    QStringLiteral("for"),     QStringLiteral("select"),
        QStringLiteral("case"),  QStringLiteral("in"),      QStringLiteral("function"),
        QStringLiteral("export"), QStringLiteral("local"),  QStringLiteral("declare"),
        QStringLiteral("typeset"), QStringLiteral("readonly")};
    if (keywords.contains(command))
        return std::nullopt;
    QStringList arguments;
    for (qsizetype i = index + 1; i < words.size(); ++i)
        arguments.append(unquoted(words[i]));
    if (arguments.contains(QLatin1String("--")))
        return std::nullopt;
    if (command == QLatin1String("echo"))
        return true;
    if (command == QLatin1String("printf")) {
        qsizetype k = 0;
        while (k < arguments.size() && arguments[k].startsWith(QLatin1Char('-')))
            k += arguments[k] == QLatin1String("-v") ? 2 : 1;
        if (k < arguments.size())
            return std::nullopt;  // the format came: printf takes no options after it
        return false;
    }
    if (!arguments.isEmpty() && takesNextWord(command, arguments.last()))
        return std::nullopt;
    return false;
}

bool isDeclaration(const QString& command) {
    static const QSet<QString> commands = {QStringLiteral("declare"),  QStringLiteral("typeset"),
                                           QStringLiteral("local"),    QStringLiteral("export"),
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

// The name an assignment word gives a value to, "" when it is none or its subscript
// expands (then the name itself is evaluated).
QString assignedName(const QString& word) {
    static const QRegularExpression assignment(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(\\[[^\\]$`]*\\])?\\+?="));
    const QRegularExpressionMatch match = assignment.match(word);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Names the template makes arrays, read without regard to quotes so that it errs towards
// more, and bash's own arrays.
QSet<QString> arrayNames(const QString& text) {
    QSet<QString> names = {
        QStringLiteral("BASH_ALIASES"), QStringLiteral("BASH_ARGC"),    QStringLiteral("BASH_ARGV"),
        QStringLiteral("BASH_CMDS"),    QStringLiteral("BASH_LINENO"),  QStringLiteral("BASH_REMATCH"),
        QStringLiteral("BASH_SOURCE"),  QStringLiteral("BASH_VERSINFO"), QStringLiteral("COMP_WORDS"),
        QStringLiteral("DIRSTACK"),     QStringLiteral("FUNCNAME"),     QStringLiteral("GROUPS"),
        QStringLiteral("MAPFILE"),      QStringLiteral("PIPESTATUS")};
    static const QRegularExpression list(QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)\\+?=\\("));
    static const QRegularExpression takers(QStringLiteral(
        "(?<![A-Za-z0-9_-])(mapfile|readarray|read\\s[^;&|\\n]*-[A-Za-z]*a|"
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

}  // namespace

ShellTemplateReader::ShellTemplateReader(const QString& whole)
    : arrayNames_(arrayNames(whole)), assignedNames_(assignedNames(whole)) {}

void ShellTemplateReader::read(QStringView text) {
    for (const QChar c : text)
        step(c);
}

ShellTemplateReader::Place ShellTemplateReader::placeOfValue() {
    if (Frame& top = frames_.back(); top.kind == Kind::command) {
        settleLessThanSigns();
        if (std::exchange(top.ampersand, false))
            endCommand(top);
    }
    if (pending_ == Pending::dollarParen) {
        pending_ = Pending::none;
        push(Kind::command);
    }
    dollarName_ = false;
    if (pending_ == Pending::dollar)
        return Place::refused;
    for (const Frame& frame : frames_) {
        if (frame.kind == Kind::enclosed || frame.kind == Kind::escaping)
            return Place::refused;
        if (frame.kind != Kind::command)
            continue;
        if (frame.redirect) {
            // A redirection's target is a file name, not an argument of the command; bash
            // expands the target of ">&" a second time, and a here-document's delimiter is
            // never expanded at all.
            if (frame.duplicates || frame.hereOperator)
                return Place::refused;
            continue;
        }
        if (commandRereads(frame))
            return Place::refused;
    }
    const Frame& top = frames_.back();
    switch (top.kind) {
        case Kind::command:
            return Place::word;
        case Kind::singleQuoted:
            return Place::singleQuoted;
        case Kind::doubleQuoted:
            return Place::doubleQuoted;
        case Kind::defaultWord:
            return top.inDoubleQuotes ? Place::doubleQuoted : Place::word;
        case Kind::hereDocument:
            return top.quotedDelimiter ? Place::quotedHereDocument : Place::hereDocument;
        case Kind::comment:
            return Place::comment;
        case Kind::escaping:
        case Kind::enclosed:
            break;
    }
    return Place::refused;
}

void ShellTemplateReader::valueInserted(const QString& reference, QStringView placeholder) {
    masked_ += placeholder;
    pending_ = Pending::none;
    escaped_ = false;
    Frame& command = nearestCommand();
    command.word += reference;
    command.inWord = true;
    frames_.back().previous = QChar();
}

void ShellTemplateReader::push(Kind kind, QChar opening, QChar closing, int depth) {
    Frame frame;
    frame.kind = kind;
    frame.nested = true;
    frame.opening = opening;
    frame.closing = closing;
    frame.depth = depth;
    frames_.push_back(frame);
}

void ShellTemplateReader::pop() {
    if (frames_.size() == 1)
        return;
    const Kind kind = frames_.back().kind;
    frames_.pop_back();
    // A closed quote or expansion is part of the word it stands in.
    if (kind != Kind::comment && kind != Kind::hereDocument)
        nearestCommand().inWord = true;
}

ShellTemplateReader::Frame& ShellTemplateReader::nearestCommand() {
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
        if (frame->kind == Kind::command || frame->kind == Kind::hereDocument)
            return *frame;
    }
    return frames_.front();
}

// "<<" (not "<<<") makes the next word a here-document's delimiter.
void ShellTemplateReader::settleLessThanSigns() {
    if (lessThanRun_ == 2 && frames_.back().kind == Kind::command)
        frames_.back().hereOperator = true;
    lessThanRun_ = 0;
}

// A line of commands ended: the bodies of its here-documents follow, one after the other.
void ShellTemplateReader::lineEnded() {
    if (hereDocuments_.empty())
        return;
    const HereDocument document = hereDocuments_.front();
    hereDocuments_.erase(hereDocuments_.begin());
    push(Kind::hereDocument);
    Frame& body = frames_.back();
    body.delimiter = document.delimiter;
    body.quotedDelimiter = document.quoted;
    body.stripTabs = document.stripTabs;
}

// A word that begins with values may be read as an option by the command.
void ShellTemplateReader::noteLeadingValues(const Frame& frame) {
    if (frame.conditional)
        return;
    static const QRegularExpression leading(
        QStringLiteral("^(?:['\"]|\\$\\{tavrin_value_[0-9]+\\})+"));
    static const QRegularExpression reference(QStringLiteral("tavrin_value_([0-9]+)"));
    const QRegularExpressionMatch match = leading.match(frame.word);
    if (!match.hasMatch())
        return;
    OptionSpot spot;
    for (auto found = reference.globalMatch(match.captured()); found.hasNext();)
        spot.numbers.append(found.next().captured(1).toLongLong());
    if (spot.numbers.isEmpty())
        return;
    const QStringView rest = QStringView(frame.word).mid(match.capturedLength());
    spot.alone = std::all_of(rest.begin(), rest.end(), [](QChar c) {
        return c == QLatin1Char('"') || c == QLatin1Char('\'');
    });
    if (const std::optional<bool> echoOnly = optionPlace(frame.words)) {
        spot.echoOnly = *echoOnly;
        optionSpots_.append(spot);
    }
}

void ShellTemplateReader::endWord(Frame& frame) {
    if (!frame.inWord)
        return;
    if (std::exchange(frame.redirect, false)) {
        // A redirection's target is neither the command nor one of its arguments.
        if (std::exchange(frame.hereOperator, false)) {
            const bool quoted = frame.word.contains(QLatin1Char('\'')) ||
                                frame.word.contains(QLatin1Char('"')) ||
                                frame.word.contains(QLatin1Char('\\'));
            hereDocuments_.push_back(
                {unquoted(frame.word), quoted, std::exchange(frame.stripTabs, false)});
        }
        frame.duplicates = false;
        frame.word.clear();
        frame.inWord = false;
        return;
    }
    if (frame.arrayList && frame.listOpened) {
        // An element of "name=( … )": a value, neither the command nor its argument.
        frame.word.clear();
        frame.inWord = false;
        return;
    }
    frame.listOpened = frame.arrayList;
    noteLeadingValues(frame);
    frame.words.append(frame.word);
    const QString word = unquoted(frame.word);
    if (commandIndex(frame.words) == frame.words.size() - 1) {
        if (word == QLatin1String("case"))
            ++frame.cases;
        else if (word == QLatin1String("esac") && frame.cases > 0)
            --frame.cases;
        else if (word == QLatin1String("[["))
            frame.conditional = true;
    } else if (frame.conditional && word == QLatin1String("]]")) {
        frame.conditional = false;
    }
    frame.word.clear();
    frame.inWord = false;
}

void ShellTemplateReader::endCommand(Frame& frame) {
    endWord(frame);
    if (namesFromExpansions(frame.words))
        evaluatesVariables_ = true;
    frame.words.clear();
    frame.arrayList = false;
    frame.listOpened = false;
    frame.redirect = false;
    frame.duplicates = false;
    frame.hereOperator = false;
    frame.stripTabs = false;
    frame.conditional = false;
}

void ShellTemplateReader::startRedirection(Frame& frame) {
    static const QRegularExpression descriptor(
        QStringLiteral("^([0-9]+|\\{[A-Za-z_][A-Za-z0-9_]*\\})$"));
    if (frame.inWord && descriptor.match(frame.word).hasMatch()) {
        frame.word.clear();  // "2>", "{fd}>": the number belongs to the operator
        frame.inWord = false;
    } else {
        endWord(frame);
    }
    frame.redirect = true;
}

void ShellTemplateReader::finish() {
    for (Frame& frame : frames_) {
        if (frame.kind == Kind::command)
            endCommand(frame);
    }
}

// test and "[" read their operators from the words they get: an expansion that stands where
// an operator may be read could become "-v", which evaluates its operand's subscript. An
// expansion right after an operator of the template, before one, or last is an operand.
static bool testOperatorFromExpansion(const QStringList& words, qsizetype index) {
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
            static const QRegularExpression list(
                QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\+?=\\("));
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

// Whether bash reads `c`, the next character, as plain text: inside '…', a comment or a
// quoted here-document, and inside "…" or a here-document except for what starts or names
// an expansion.
bool ShellTemplateReader::plainCharacter(QChar c) const {
    if (pending_ != Pending::none)
        return false;
    const Frame& top = frames_.back();
    switch (top.kind) {
        case Kind::singleQuoted:
            return c != QLatin1Char('\'');
        case Kind::comment:
            return c != QLatin1Char('\n');
        case Kind::hereDocument:
            if (top.quotedDelimiter)
                return c != QLatin1Char('\n');
            [[fallthrough]];
        case Kind::doubleQuoted:
            if (escaped_)
                return true;
            if (c == QLatin1Char('$') || c == QLatin1Char('`') || c == QLatin1Char('\\') ||
                c == QLatin1Char('\n') ||
                (c == QLatin1Char('"') && top.kind == Kind::doubleQuoted))
                return false;
            return !(dollarName_ && isNameCharacter(c));
        case Kind::command:
        case Kind::escaping:
        case Kind::enclosed:
        case Kind::defaultWord:
            break;
    }
    return false;
}

void ShellTemplateReader::step(QChar c) {
    masked_ += plainCharacter(c) ? QChar(QLatin1Char(' ')) : c;
    if (dollarName_ && !isNameCharacter(c))
        dollarName_ = false;
    if (pending_ == Pending::dollar) {
        pending_ = Pending::none;
        Frame& command = nearestCommand();
        if (c == QLatin1Char('(')) {
            command.word += c;
            pending_ = Pending::dollarParen;
            return;
        }
        if (c == QLatin1Char('{') || c == QLatin1Char('[')) {
            command.word += c;
            push(Kind::enclosed, c, c == QLatin1Char('{') ? QLatin1Char('}') : QLatin1Char(']'),
                 1);
            frames_.back().readsHead = c == QLatin1Char('{');
            return;
        }
        if (c == QLatin1Char('\'') &&
            (frames_.back().kind == Kind::command ||
             (frames_.back().kind == Kind::defaultWord && !frames_.back().inDoubleQuotes))) {
            command.word += c;
            return push(Kind::escaping, {}, QLatin1Char('\''));
        }
        if (c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetter()))
            dollarName_ = true;
    } else if (pending_ == Pending::dollarParen) {
        pending_ = Pending::none;
        if (c == QLatin1Char('(')) {
            nearestCommand().word += c;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2);
        }
        push(Kind::command);
    }

    Frame& frame = frames_.back();
    if (frame.kind != Kind::command && frame.kind != Kind::comment) {
        Frame& command = nearestCommand();
        command.word += c;
        command.inWord = true;
    }
    switch (frame.kind) {
        case Kind::singleQuoted:
            if (c == QLatin1Char('\''))
                pop();
            return;
        case Kind::comment:
            if (c == QLatin1Char('\n')) {
                pop();
                endCommand(nearestCommand());
                lineEnded();
            }
            return;
        case Kind::escaping:
            if (escaped_)
                escaped_ = false;
            else if (c == QLatin1Char('\\'))
                escaped_ = true;
            else if (c == frame.closing)
                pop();
            return;
        case Kind::enclosed:
            stepInEnclosed(frame, c);
            return;
        case Kind::defaultWord:
            stepInDefaultWord(frame, c);
            return;
        case Kind::hereDocument:
            stepInHereDocument(frame, c);
            return;
        case Kind::doubleQuoted:
            if (escaped_)
                escaped_ = false;
            else if (c == QLatin1Char('\\'))
                escaped_ = true;
            else if (c == QLatin1Char('"'))
                pop();
            else if (c == QLatin1Char('`'))
                push(Kind::escaping, {}, QLatin1Char('`'));
            else if (c == QLatin1Char('$'))
                pending_ = Pending::dollar;
            return;
        case Kind::command:
            stepInCommand(frame, c);
            return;
    }
}

// Quotes inside are followed, so that a closing character in quotes does not end the
// construct early: reading it as open for longer only refuses more. "${name:-" and its kin
// turn out to be a default word, expanded once like any other.
void ShellTemplateReader::stepInEnclosed(Frame& frame, QChar c) {
    if (frame.readsHead) {
        static const QRegularExpression defaultOperator(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-]):?[-=?+]$"));
        static const QRegularExpression beginning(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-])?:?$"));
        frame.head += c;
        if (defaultOperator.match(frame.head).hasMatch()) {
            const Frame& outside = frames_[frames_.size() - 2];
            frame.kind = Kind::defaultWord;
            frame.readsHead = false;
            frame.inDoubleQuotes = outside.kind == Kind::doubleQuoted ||
                                   outside.kind == Kind::hereDocument ||
                                   (outside.kind == Kind::defaultWord && outside.inDoubleQuotes);
            return;
        }
        frame.readsHead = beginning.match(frame.head).hasMatch();
    }
    if (escaped_)
        escaped_ = false;
    else if (c == QLatin1Char('\\'))
        escaped_ = true;
    else if (c == QLatin1Char('\''))
        push(Kind::singleQuoted);
    else if (c == QLatin1Char('"'))
        push(Kind::doubleQuoted);
    else if (c == QLatin1Char('`'))
        push(Kind::escaping, {}, QLatin1Char('`'));
    else if (c == QLatin1Char('$'))
        pending_ = Pending::dollar;
    else if (c == frame.opening)
        ++frame.depth;
    else if (c == frame.closing && --frame.depth == 0)
        pop();
}

void ShellTemplateReader::stepInDefaultWord(Frame& frame, QChar c) {
    if (escaped_)
        escaped_ = false;
    else if (c == QLatin1Char('\\'))
        escaped_ = true;
    else if (c == QLatin1Char('\'') && !frame.inDoubleQuotes)
        push(Kind::singleQuoted);
    else if (c == QLatin1Char('"'))
        push(Kind::doubleQuoted);
    else if (c == QLatin1Char('`'))
        push(Kind::escaping, {}, QLatin1Char('`'));
    else if (c == QLatin1Char('$'))
        pending_ = Pending::dollar;
    else if (c == QLatin1Char('{'))
        ++frame.depth;
    else if (c == QLatin1Char('}') && --frame.depth == 0)
        pop();
}

// The body's current line is the frame's word; the line that is the delimiter ends it.
void ShellTemplateReader::stepInHereDocument(Frame& frame, QChar c) {
    if (!frame.quotedDelimiter) {
        if (escaped_) {
            escaped_ = false;
            if (c == QLatin1Char('\n'))
                frame.word.chop(2);  // "\" at the end of a line joins it with the next
            return;
        }
        if (c == QLatin1Char('\\')) {
            escaped_ = true;
            return;
        }
        if (c == QLatin1Char('`'))
            return push(Kind::escaping, {}, QLatin1Char('`'));
        if (c == QLatin1Char('$')) {
            pending_ = Pending::dollar;
            return;
        }
    }
    if (c != QLatin1Char('\n'))
        return;
    QString line = frame.word;
    line.chop(1);
    frame.word.clear();
    if (frame.stripTabs) {
        while (line.startsWith(QLatin1Char('\t')))
            line.remove(0, 1);
    }
    if (line == frame.delimiter) {
        pop();
        lineEnded();
    }
}

void ShellTemplateReader::stepInCommand(Frame& frame, QChar c) {
    if (escaped_) {
        escaped_ = false;
        frame.word += c;
        frame.inWord = true;
        frame.previous = QChar();
        return;
    }
    const QChar before = std::exchange(frame.previous, c);
    if (std::exchange(frame.ampersand, false) && c != QLatin1Char('>'))
        endCommand(frame);  // "&" ended the command; "&>" redirects
    if (frame.conditional && QStringView(u"&|<>()").contains(c)) {
        // Operators of the test, not of the command line, unless "]]" just ended it.
        endWord(frame);
        if (frame.conditional)
            return;
    }
    if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
        if (c == QLatin1Char('<'))
            ++lessThanRun_;
        else
            settleLessThanSigns();
        startRedirection(frame);
        return;
    }
    settleLessThanSigns();
    if (frame.hereOperator && c == QLatin1Char('-') && before == QLatin1Char('<') &&
        !frame.inWord) {
        frame.stripTabs = true;  // "<<-"
        return;
    }
    if (isBlank(c)) {
        if (c == QLatin1Char('\n') && !frame.arrayList) {
            endCommand(frame);
            lineEnded();
        } else {
            endWord(frame);
        }
        return;
    }
    const bool afterRedirection = before == QLatin1Char('<') || before == QLatin1Char('>');
    if (c == QLatin1Char('&')) {
        if (afterRedirection)
            frame.duplicates = true;  // ">&2"
        else {
            endWord(frame);
            frame.ampersand = true;
        }
        return;
    }
    if (c == QLatin1Char('|') && afterRedirection)
        return;  // ">|"
    if (c == QLatin1Char(';') || c == QLatin1Char('|'))
        return endCommand(frame);
    if (c == QLatin1Char('(')) {
        if (afterRedirection) {
            // "<(…)": a word of this command, which goes on after it.
            frame.redirect = false;
            frame.hereOperator = false;
            frame.word += c;
            frame.inWord = true;
            return push(Kind::command);
        }
        if (before == QLatin1Char('(') && !frame.inWord) {
            // "((": an arithmetic command, not a second subshell.
            if (frame.parens > 0)
                --frame.parens;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2);
        }
        if (frame.inWord && opensArrayList(frame.word)) {
            frame.word += c;
            frame.arrayList = true;
            return;
        }
        if (frame.inWord) {
            // Inside a word: a function's "()", or an extended pattern, whose text no value
            // needs to be part of.
            frame.word += c;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 1);
        }
        endCommand(frame);
        ++frame.parens;
        return;
    }
    if (c == QLatin1Char(')')) {
        if (frame.arrayList) {
            endWord(frame);
            frame.arrayList = false;
            frame.listOpened = false;
            return;
        }
        endCommand(frame);
        if (frame.parens > 0)
            --frame.parens;
        else if (frame.cases == 0 && frame.nested)
            pop();  // otherwise a case pattern ends here
        return;
    }

    const bool wordStart = !frame.inWord;
    const QString wordBefore = frame.word;
    frame.word += c;
    frame.inWord = true;
    if (c == QLatin1Char('\\')) {
        escaped_ = true;
    } else if (c == QLatin1Char('\'')) {
        push(Kind::singleQuoted);
    } else if (c == QLatin1Char('"')) {
        push(Kind::doubleQuoted);
    } else if (c == QLatin1Char('`')) {
        push(Kind::escaping, {}, QLatin1Char('`'));
    } else if (c == QLatin1Char('$')) {
        pending_ = Pending::dollar;
    } else if (c == QLatin1Char('#') && wordStart) {
        frame.word.clear();
        frame.inWord = false;
        push(Kind::comment);
    } else if (c == QLatin1Char('[')) {
        if (wordStart && frame.arrayList)
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1);  // ( [key]=value )
        else if (!wordStart && isName(wordBefore))
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1);  // name[subscript]
    }
}
