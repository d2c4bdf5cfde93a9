#include "Actions/ShellWords.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellProgramIdentity.h"

namespace ShellWords {

namespace {

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

}  // namespace

bool isNameStart(QChar c) {
    return c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetter());
}

bool isNameCharacter(QChar c) {
    return c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetterOrNumber());
}

qsizetype nameLength(QStringView text) {
    if (text.isEmpty() || !isNameStart(text[0]))
        return 0;
    qsizetype length = 1;
    while (length < text.size() && isNameCharacter(text[length]))
        ++length;
    return length;
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

QString unquoted(QString word) {
    word.remove(QStringLiteral("\\\n"));  // a line continuation joins the word's pieces
    word.remove(QLatin1Char('\''));
    word.remove(QLatin1Char('"'));
    word.remove(QLatin1Char('\\'));
    return word;
}

QString programName(const QString& word) {
    return ShellProgramIdentity::programOf(word);
}

bool intoDevOrProc(const QString& path) {
    if (!path.startsWith(QLatin1Char('/')) && !path.startsWith(QLatin1String("..")))
        return false;  // a folder of the working folder's own
    QString clean = QDir::cleanPath(path);
    while (clean.startsWith(QLatin1String("../")) || clean.startsWith(QLatin1Char('/')))
        clean.remove(0, clean.startsWith(QLatin1Char('/')) ? 1 : 3);
    return clean.startsWith(QLatin1String("dev/")) || clean.startsWith(QLatin1String("proc/"));
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

bool opensArrayList(const QString& word) {
    static const QRegularExpression start(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*\\+?=$"));
    return start.match(word).hasMatch();
}

QString assignedName(const QString& word) {
    static const QRegularExpression assignment(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(\\[[^\\]$`]*\\])?\\+?="));
    const QRegularExpressionMatch match = assignment.match(word);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool expands(const QString& word) {
    return word.contains(QLatin1Char('$')) || word.contains(QLatin1Char('`'));
}

QString withoutExpansions(const QString& word) {
    static const QRegularExpression expansion(QStringLiteral(
        "\\$\\{[^}]*\\}?|\\$\\([^)]*\\)?|\\$[A-Za-z_][A-Za-z0-9_]*|\\$[0-9@*#?$!-]?|`[^`]*`?"));
    return QString(word).remove(expansion);
}

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

namespace {

// The words of the last command of a pipeline, cut at unquoted blanks outside nested
// expansions; none where the text holds a list, a group or a subshell.
std::optional<QStringList> lastCommandWords(QStringView text) {
    QStringList words;
    QString word;
    int depth = 0;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            word += c;
            word += text[++i];
            continue;
        }
        if (!quote.isNull()) {
            word += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
            word += c;
            continue;
        }
        if (text.mid(i).startsWith(u"{{")) {
            const qsizetype close = text.indexOf(u"}}", i + 2);
            if (close < 0)
                return std::nullopt;
            word += text.mid(i, close + 2 - i);
            i = close + 1;
            continue;
        }
        if (c == QLatin1Char('$') && i + 1 < text.size() &&
            (text[i + 1] == QLatin1Char('(') || text[i + 1] == QLatin1Char('{'))) {
            ++depth;
            word += c;
            word += text[++i];
            continue;
        }
        if (depth > 0) {
            if (c == QLatin1Char('(') || c == QLatin1Char('{'))
                ++depth;
            else if (c == QLatin1Char(')') || c == QLatin1Char('}'))
                --depth;
            word += c;
            continue;
        }
        if (QStringView(u";&\n(){}").contains(c))
            return std::nullopt;
        if (c == QLatin1Char('|')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('|'))
                return std::nullopt;
            words.clear();
            word.clear();
            continue;
        }
        if (isBlank(c)) {
            if (!word.isEmpty())
                words.append(std::exchange(word, {}));
            continue;
        }
        word += c;
    }
    if (!quote.isNull() || depth != 0)
        return std::nullopt;
    if (!word.isEmpty())
        words.append(word);
    return words;
}

bool expandsOrHoldsAValue(const QString& word) {
    return expands(word) || word.contains(QLatin1String("{{"));
}

// grep -c prints how many lines match, and of one file (or its input) no name: its pattern and
// that file may hold anything, its options may not make it print names or lines.
bool countsMatches(const QStringList& words) {
    static const QRegularExpression redirection(QStringLiteral("^[0-9]*(<|>|>>|&>|>&|<<<)"));
    static const QRegularExpression flags(QStringLiteral("^-[A-Za-z]+$"));
    static const QSet<QString> counting = {
        QStringLiteral("--count"),         QStringLiteral("--ignore-case"),
        QStringLiteral("--fixed-strings"), QStringLiteral("--extended-regexp"),
        QStringLiteral("--invert-match"),  QStringLiteral("--word-regexp")};
    bool count = false;
    bool pattern = false;
    int operands = 0;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        const QString plain = unquoted(word);
        if (const QRegularExpressionMatch match = redirection.match(word); match.hasMatch()) {
            i += match.capturedEnd() == word.size() ? 1 : 0;
            continue;
        }
        if (plain == QLatin1String("--")) {
            operands += int(words.size() - i - 1);
            break;
        }
        if (plain == QLatin1String("-e") || plain == QLatin1String("-m")) {
            pattern = pattern || plain == QLatin1String("-e");
            ++i;
            continue;
        }
        if (flags.match(plain).hasMatch() && !expandsOrHoldsAValue(word)) {
            static const QRegularExpression naming(QStringLiteral("[HrRlLZobnTAaBCefmdDuUzpPsq]"));
            if (naming.match(plain.mid(1)).hasMatch())
                return false;
            count = count || plain.contains(QLatin1Char('c'));
            continue;
        }
        if (plain.startsWith(QLatin1String("--"))) {
            if (!counting.contains(plain))
                return false;
            count = count || plain == QLatin1String("--count");
            continue;
        }
        ++operands;
    }
    return count && operands <= (pattern ? 1 : 2);
}

}  // namespace

bool printsANumber(QStringView command) {
    const std::optional<QStringList> words = lastCommandWords(command);
    if (!words || words->isEmpty())
        return false;
    const QString program = words->first();
    if (program == QLatin1String("grep") || program == QLatin1String("egrep") ||
        program == QLatin1String("fgrep"))
        return countsMatches(words->mid(1));
    if (program != QLatin1String("wc") && program != QLatin1String("date"))
        return false;
    const bool date = program == QLatin1String("date");
    bool formatted = false;
    static const QRegularExpression redirection(QStringLiteral("^[0-9]*(<|>|>>|&>|>&|<<<)"));
    // "-d WORD" glued ("-dtomorrow"), after flags that take none ("-ud…")
    static const QRegularExpression gluedWord(QStringLiteral("^-[A-Za-z]*[dr]"));
    for (qsizetype i = 1; i < words->size(); ++i) {
        const QString& word = words->at(i);
        if (const QRegularExpressionMatch match = redirection.match(word); match.hasMatch()) {
            if (match.capturedEnd() == word.size())
                ++i;  // the target, whatever it holds: a file's count or time is a number
            continue;
        }
        const QString plain = unquoted(word);
        if (date && (plain == QLatin1String("-d") || plain == QLatin1String("--date") ||
                     plain == QLatin1String("-r") || plain == QLatin1String("--reference"))) {
            ++i;
            continue;
        }
        if (date &&
            (plain.startsWith(QLatin1String("--date=")) ||
             plain.startsWith(QLatin1String("--reference=")) || gluedWord.match(plain).hasMatch()))
            continue;
        if (expandsOrHoldsAValue(word))
            return false;
        // date prints names of days and months, which arithmetic reads as variables, unless its
        // format has only numbers
        static const QRegularExpression numericFormat(
            QStringLiteral("^\\+([0-9 :/.,_-]|%[-_0^#]?[0-9]*[sYmdHMSjuwVGgUWyCNezIklFTDR%])*$"));
        if (date && plain.startsWith(QLatin1Char('+'))) {
            if (!numericFormat.match(plain).hasMatch())
                return false;
            formatted = true;
        }
    }
    return !date || formatted;
}

}  // namespace ShellWords
