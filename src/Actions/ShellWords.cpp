#include "Actions/ShellWords.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

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

}  // namespace ShellWords
