#include "AI/ShellRereading.h"

#include <QRegularExpression>

namespace ShellRereading {

namespace {

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_');
}

// Numbers and operators only: arithmetic that names no variable cannot reach a value.
bool constantOnly(QStringView region) {
    static const QString allowed = QStringLiteral("0123456789 \t\n+-*/%<>=!&|^~?:,()@");
    return std::all_of(region.begin(), region.end(), [](QChar c) { return allowed.contains(c); });
}

bool touches(const QList<Span>& spans, qsizetype from, qsizetype to) {
    return std::any_of(spans.cbegin(), spans.cend(), [&](const Span& span) {
        return span.first < to && span.first + span.second > from;
    });
}

// The position right after the character that closes what `depth` openings before `from`
// opened, or -1 when nothing closes it.
qsizetype closingOf(const QString& text, qsizetype from, QChar open, QChar close, int depth) {
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == open)
            ++depth;
        else if (text[i] == close && --depth == 0)
            return i + 1;
    }
    return -1;
}

qsizetype parameterLength(QStringView text) {
    if (text.isEmpty())
        return 0;
    if (text[0].isDigit() && text[0].unicode() < 128) {
        qsizetype length = 1;
        while (length < text.size() && text[length] >= QLatin1Char('0') &&
               text[length] <= QLatin1Char('9'))
            ++length;
        return length;
    }
    if (isNameCharacter(text[0])) {
        qsizetype length = 1;
        while (length < text.size() && isNameCharacter(text[length]))
            ++length;
        return length;
    }
    return QStringView(u"@*#?$!-").contains(text[0]) ? 1 : 0;
}

// "${name}", "${#name}", "${name:-word}" and the pattern operators expand a variable once;
// subscripts that name variables, substrings with variable offsets, indirection ("${!x}")
// and zsh's flags evaluate its value again.
bool plainExpansion(QStringView content) {
    qsizetype position = 0;
    if (content.size() > 1 && content[0] == QLatin1Char('#'))
        position = 1;
    const qsizetype length = parameterLength(content.mid(position));
    if (length == 0)
        return false;
    position += length;
    if (position < content.size() && content[position] == QLatin1Char('[')) {
        const qsizetype close = content.indexOf(QLatin1Char(']'), position);
        if (close < 0 || !constantOnly(content.mid(position + 1, close - position - 1)))
            return false;
        position = close + 1;
    }
    const QStringView rest = content.mid(position);
    if (rest.isEmpty())
        return true;
    if (content[0] == QLatin1Char('#') && position > 1)
        return false;  // "${#x…}" takes no operator
    if (rest[0] == QLatin1Char(':')) {
        if (rest.size() > 1 && QStringView(u"-=?+").contains(rest[1]))
            return true;
        return constantOnly(rest);  // a substring: its offset and length are arithmetic
    }
    return QStringView(u"-=?+#%/^,").contains(rest[0]);
}

bool arithmeticRegionsReread(const QString& text, const QList<Span>& spans) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QStringView two = QStringView(text).mid(i, 2);
        if (two == u"((" || two == u"$[") {
            const bool parens = two == u"((";
            const qsizetype end =
                parens ? closingOf(text, i + 2, QLatin1Char('('), QLatin1Char(')'), 2)
                       : closingOf(text, i + 2, QLatin1Char('['), QLatin1Char(']'), 1);
            if (end < 0 || touches(spans, i, end))
                return true;
            const qsizetype inner = end - (parens ? 2 : 1) - (i + 2);
            if (!constantOnly(QStringView(text).mid(i + 2, std::max<qsizetype>(inner, 0))))
                return true;
        } else if (two == u"[[") {
            const qsizetype end = closingOf(text, i + 2, QLatin1Char('['), QLatin1Char(']'), 2);
            if (end < 0 || touches(spans, i, end))
                return true;
            static const QRegularExpression arithmetic(
                QStringLiteral("(^|\\s)-(eq|ne|lt|le|gt|ge|v|R)(\\s|$)"));
            if (arithmetic.match(text.mid(i, end - i)).hasMatch())
                return true;
        }
    }
    return false;
}

bool subscriptsReread(const QString& text, const QList<Span>& spans) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('['))
            continue;
        const qsizetype end = closingOf(text, i + 1, QLatin1Char('['), QLatin1Char(']'), 1);
        if (end < 0)
            continue;  // no subscript: the shell reads a lone "[" as a plain character
        const QStringView after = QStringView(text).mid(end);
        const bool assigned = after.startsWith(u"=") || after.startsWith(u"+=");
        const QStringView inside = QStringView(text).mid(i + 1, end - i - 2);
        if (assigned && (touches(spans, i, end) || !constantOnly(inside)))
            return true;
        if (i > 0 && isNameCharacter(text[i - 1]) && touches(spans, i, end))
            return true;
    }
    return false;
}

// "(…)" right behind a word's character: a zsh pattern group or glob qualifier, whose
// "(e:…:)" and "(+…)" run their text as code once the value is in it.
bool qualifiersReread(const QString& text, const QList<Span>& spans) {
    static const QString opensNoQualifier = QStringLiteral(" \t\n$<>=(|&;");
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('(') || opensNoQualifier.contains(text[i - 1]))
            continue;
        const qsizetype end = closingOf(text, i + 1, QLatin1Char('('), QLatin1Char(')'), 1);
        if (end < 0 || touches(spans, i, end))
            return true;
    }
    return false;
}

bool expansionsReread(const QString& text, const QList<Span>& spans) {
    for (qsizetype i = text.indexOf(u"${"); i >= 0; i = text.indexOf(u"${", i + 1)) {
        const qsizetype end = closingOf(text, i + 2, QLatin1Char('{'), QLatin1Char('}'), 1);
        if (end < 0 || touches(spans, i, end))
            return true;
        if (!plainExpansion(QStringView(text).mid(i + 2, end - 1 - (i + 2))))
            return true;
    }
    return false;
}

bool commandsReread(const QString& text) {
    static const QRegularExpression declaration(
        QStringLiteral("(?<![A-Za-z0-9_-])(declare|typeset|local|private|export|readonly)"
                       "(?![A-Za-z0-9_-])([^;&|\\n]*)"));
    static const QRegularExpression evaluatedOption(
        QStringLiteral("(^|\\s)[\"']*[-+][A-Za-z]*[iaAnEFT]"));
    // bash reads a value declared for an existing array as a list with subscripts.
    static const QRegularExpression makesArrays(QStringLiteral(
        "[A-Za-z_][A-Za-z0-9_]*(\\[[^\\]]*\\])?\\+?=\\(|"
        "(?<![A-Za-z0-9_-])(mapfile|readarray|read\\s[^;&|\\n]*-[A-Za-z]*a)(?![A-Za-z0-9_-])"));
    bool declares = false;
    for (auto found = declaration.globalMatch(text); found.hasNext();) {
        declares = true;
        if (evaluatedOption.match(found.next().captured(2)).hasMatch())
            return true;
    }
    if (declares && makesArrays.match(text).hasMatch())
        return true;
    static const QRegularExpression arithmeticCommand(
        QStringLiteral("(^|[;&|(){}\\n`!]|(^|\\s)(then|do|else|elif|if|while|until|time))\\s*"
                       "(command\\s+|builtin\\s+)?(let|integer|float|nameref|compgen|complete|"
                       "vared)(?![A-Za-z0-9_-])"));
    static const QRegularExpression nameTest(QStringLiteral(
        "(?<![A-Za-z0-9_-])(test|\\[)([ \\t][^;&|\\n]*?)?[ \\t][\"']*-[vR]([ \\t]|$)"));
    // zsh takes a value as a pattern after "$~x" or with GLOB_SUBST (also in sh emulation),
    // and a pattern's qualifier "(e:…:)" runs code.
    static const QRegularExpression patternSubstitution(
        QStringLiteral("\\$~|glob_?subst|(?<![A-Za-z0-9_-])emulate(?![A-Za-z0-9_-])"),
        QRegularExpression::CaseInsensitiveOption);
    // bash expands the target of ">&" and "<&" twice unless it is a number or "-".
    static const QRegularExpression duplication(
        QStringLiteral("[<>]&[ \\t]*(?![0-9]*[-]?([ \\t\\n;&|)<>]|$))"));
    // bash reads what is given to these as arithmetic, however it is given.
    static const QRegularExpression arithmeticVariable(
        QStringLiteral("(?<![A-Za-z0-9_${])(RANDOM|SRANDOM|OPTIND|HISTCMD)(?![A-Za-z0-9_])"));
    return arithmeticCommand.match(text).hasMatch() || nameTest.match(text).hasMatch() ||
           patternSubstitution.match(text).hasMatch() || duplication.match(text).hasMatch() ||
           arithmeticVariable.match(text).hasMatch();
}

}  // namespace

bool mayReread(const QString& text, const QList<Span>& spans) {
    return arithmeticRegionsReread(text, spans) || subscriptsReread(text, spans) ||
           qualifiersReread(text, spans) || expansionsReread(text, spans) || commandsReread(text);
}

}  // namespace ShellRereading
