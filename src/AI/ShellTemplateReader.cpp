#include "AI/ShellTemplateReader.h"

#include <QRegularExpression>
#include <QSet>

namespace {

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

// Commands that run, evaluate or take a variable name from an argument: bash and zsh
// evaluate the subscripts of such names ("a[$(…)]"), so no value may stand there.
bool rereadsArguments(const QString& command) {
    static const QSet<QString> commands = {
        QStringLiteral("eval"),     QStringLiteral("let"),        QStringLiteral("trap"),
        QStringLiteral("read"),     QStringLiteral("mapfile"),    QStringLiteral("readarray"),
        QStringLiteral("getopts"),  QStringLiteral("unset"),      QStringLiteral("compgen"),
        QStringLiteral("complete"), QStringLiteral("integer"),    QStringLiteral("float"),
        QStringLiteral("vared"),    QStringLiteral("zparseopts"), QStringLiteral("alias"),
        QStringLiteral("sched"),    QStringLiteral("fc"),         QStringLiteral("bind"),
        QStringLiteral("bindkey"),  QStringLiteral("nameref"),    QStringLiteral("enable"),
        QStringLiteral("getln")};
    return commands.contains(command);
}

// Commands that read a variable's name (or arithmetic) from an argument; an argument that
// expands hands them the value of another variable, which may hold a value of the template.
bool takesNames(const QString& command, const QStringList& arguments) {
    static const QSet<QString> commands = {
        QStringLiteral("let"),       QStringLiteral("read"),     QStringLiteral("mapfile"),
        QStringLiteral("readarray"), QStringLiteral("getopts"),  QStringLiteral("unset"),
        QStringLiteral("integer"),   QStringLiteral("float"),    QStringLiteral("vared"),
        QStringLiteral("compgen"),   QStringLiteral("complete"), QStringLiteral("getln")};
    if (commands.contains(command))
        return true;
    if (command == QLatin1String("printf") || command == QLatin1String("print")) {
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

// Variables whose values the shell itself evaluates: prompts, start-up files and hooks it
// expands or runs later, the ones bash reads as arithmetic when they are set, and the
// tables of functions, aliases and command paths.
bool assignsEvaluatedVariable(const QString& word) {
    static const QRegularExpression evaluated(QStringLiteral(
        "^(PS[0-9]|PROMPT[0-9]?|RPROMPT[0-9]?|RPS[0-9]|SPROMPT|PROMPT_COMMAND|ENV|BASH_ENV|"
        "FPATH|fpath|[a-z]+_functions|RANDOM|SRANDOM|OPTIND|HISTCMD|functions|aliases|"
        "galiases|saliases|commands|BASH_CMDS|BASH_ALIASES)(\\[[^\\]]*\\])?\\+?="));
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

// Whether the current word of `words` is the script of a second shell ("sh -c WORD",
// also behind sudo, env or timeout): that shell parses whatever the word expands to.
bool isSecondShellScript(const QStringList& words) {
    static const QSet<QString> shells = {
        QStringLiteral("sh"),   QStringLiteral("bash"), QStringLiteral("dash"),
        QStringLiteral("zsh"),  QStringLiteral("ksh"),  QStringLiteral("ksh93"),
        QStringLiteral("mksh"), QStringLiteral("yash"), QStringLiteral("posh"),
        QStringLiteral("fish"), QStringLiteral("csh"),  QStringLiteral("tcsh")};
    static const QRegularExpression commandOption(QStringLiteral("^-[A-Za-z]*c[A-Za-z]*$"));
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (!shells.contains(word.mid(word.lastIndexOf(QLatin1Char('/')) + 1)))
            continue;
        for (qsizetype j = i + 1; j < words.size(); ++j) {
            const QString option = unquoted(words[j]);
            if (commandOption.match(option).hasMatch())
                return j == words.size() - 1;  // the next word, the current one, is the script
            if (!option.startsWith(QLatin1Char('-')) && !option.startsWith(QLatin1Char('+')))
                break;  // a script file: its arguments are only words
        }
    }
    return false;
}

bool isDeclaration(const QString& command) {
    static const QSet<QString> commands = {QStringLiteral("declare"),  QStringLiteral("typeset"),
                                           QStringLiteral("local"),    QStringLiteral("export"),
                                           QStringLiteral("readonly"), QStringLiteral("private")};
    return commands.contains(command);
}

// Options that make a declared value arithmetic, an array, or a name of another variable.
bool declaresEvaluatedValues(const QString& option) {
    static const QRegularExpression evaluated(QStringLiteral("^[-+][A-Za-z]*[iaAnEFT]"));
    return evaluated.match(option).hasMatch();
}

// Every name a template may give a value to: assignments, loop variables, the names that
// read, printf -v, declarations and "${name:=…}" take. Read without regard to quotes, so
// that it errs towards more names.
QSet<QString> assignedNames(const QString& text) {
    static const QRegularExpression assignment(
        QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)(\\[[^\\]]*\\])?\\+?=|"
                       "\\$\\{([A-Za-z_][A-Za-z0-9_]*):?="));
    static const QRegularExpression takesNames(QStringLiteral(
        "(?<![A-Za-z0-9_-])(for|select|read|mapfile|readarray|getopts|printf|print|declare|"
        "typeset|local|private|export|readonly|vared|getln|let|integer|float|nameref)(?![A-Za-z0-9_"
        "-])"
        "([^;&|\\n]*)"));
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
    : assignedNames_(assignedNames(whole)) {}

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
    if (pending_ == Pending::bracket)
        pending_ = Pending::none;
    if (afterHereDocument_ || pending_ == Pending::dollar)
        return Place::refused;
    for (const Frame& frame : frames_) {
        if (frame.kind == Kind::enclosed || frame.kind == Kind::escaping)
            return Place::refused;
        if (frame.kind == Kind::command &&
            ((frame.redirect && frame.duplicates) || commandRereads(frame)))
            return Place::refused;
    }
    switch (frames_.back().kind) {
        case Kind::command:
            return Place::word;
        case Kind::singleQuoted:
            return Place::singleQuoted;
        case Kind::doubleQuoted:
            return Place::doubleQuoted;
        case Kind::comment:
            return Place::comment;
        case Kind::escaping:
        case Kind::enclosed:
            break;
    }
    return Place::refused;
}

void ShellTemplateReader::valueInserted(const QString& reference) {
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
    if (kind != Kind::comment)
        nearestCommand().inWord = true;
}

ShellTemplateReader::Frame& ShellTemplateReader::nearestCommand() {
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
        if (frame->kind == Kind::command)
            return *frame;
    }
    return frames_.front();
}

// "<<" (not "<<<") opens a here-document, whose body the shell expands without any quote
// that could be closed: nothing after it is read further.
void ShellTemplateReader::settleLessThanSigns() {
    if (lessThanRun_ == 2)
        afterHereDocument_ = true;
    lessThanRun_ = 0;
}

void ShellTemplateReader::endWord(Frame& frame) {
    if (!frame.inWord)
        return;
    if (std::exchange(frame.redirect, false)) {
        // A redirection's target is neither the command nor one of its arguments.
        frame.duplicates = false;
        frame.word.clear();
        frame.inWord = false;
        return;
    }
    frame.words.append(frame.word);
    if (commandIndex(frame.words) == frame.words.size() - 1) {
        const QString command = unquoted(frame.word);
        if (command == QLatin1String("case"))
            ++frame.cases;
        else if (command == QLatin1String("esac") && frame.cases > 0)
            --frame.cases;
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
    frame.redirect = false;
    frame.duplicates = false;
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

bool ShellTemplateReader::namesFromExpansions(const QStringList& words) {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return false;
    for (qsizetype i = index; i < words.size(); ++i) {
        const QString command = withoutExpansions(unquoted(words[i]));
        QStringList arguments;
        bool expandingArgument = false;
        for (qsizetype j = i + 1; j < words.size(); ++j) {
            arguments.append(unquoted(words[j]));
            // A declaration's assignment reads the expansion as a value, not a name.
            if (expands(words[j]) && !(isDeclaration(command) && isAssignment(unquoted(words[j]))))
                expandingArgument = true;
        }
        if (expandingArgument && (takesNames(command, arguments) || isDeclaration(command)))
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
    return isSecondShellScript(frame.words.mid(index));
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
        if (frame.arrayList)
            return true;
        if (std::any_of(arguments.cbegin(), arguments.cend(), declaresEvaluatedValues))
            return true;
        // zsh evaluates the subscript of a declared name, so a value may only be assigned.
        return !isAssignment(unquoted(frame.word));
    }
    return false;
}

void ShellTemplateReader::step(QChar c) {
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
            return push(Kind::enclosed, c,
                        c == QLatin1Char('{') ? QLatin1Char('}') : QLatin1Char(']'), 1);
        }
        if (c == QLatin1Char('\'') && frames_.back().kind == Kind::command) {
            command.word += c;
            return push(Kind::escaping, {}, QLatin1Char('\''));
        }
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
// construct early: reading it as open for longer only refuses more.
void ShellTemplateReader::stepInEnclosed(Frame& frame, QChar c) {
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
    if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
        if (c == QLatin1Char('<'))
            ++lessThanRun_;
        else
            settleLessThanSigns();
        startRedirection(frame);
        return;
    }
    settleLessThanSigns();
    if (pending_ == Pending::bracket) {
        pending_ = Pending::none;
        if (c == QLatin1Char('[')) {
            frame.word += c;
            return push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 2);  // [[ … ]]
        }
    }
    if (isBlank(c)) {
        if (c == QLatin1Char('\n') && !frame.arrayList)
            endCommand(frame);
        else
            endWord(frame);
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
            // Inside a word: a function's "()", or a zsh pattern group or glob qualifier,
            // whose "(e:…:)" runs its text as code.
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
        else if (wordStart)
            pending_ = Pending::bracket;
        else if (isName(wordBefore))
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1);  // name[subscript]
    }
}
