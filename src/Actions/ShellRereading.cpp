#include "Actions/ShellRereading.h"

#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellWords.h"

namespace ShellRereading {

namespace {

using ShellWords::isNameCharacter;
using ShellWords::nameLength;

// The index of the first placeholder within [from, to).
std::optional<qsizetype> touched(const QList<Span>& spans, qsizetype from, qsizetype to) {
    for (qsizetype i = 0; i < spans.size(); ++i) {
        if (spans[i].first < to && spans[i].first + spans[i].second > from)
            return i;
    }
    return std::nullopt;
}

// The position right after the character that closes what `depth` openings before `from`
// opened, or -1 when nothing closes it.
qsizetype closingOf(QStringView text, qsizetype from, QChar open, QChar close, int depth) {
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == open)
            ++depth;
        else if (text[i] == close && --depth == 0)
            return i + 1;
    }
    return -1;
}

// Where a template's arithmetic begins and ends: "((…))", "$((…))" and "$[…]", contents only.
struct Region {
    qsizetype from = 0;
    qsizetype to = 0;  // -1: never closed
};

QList<Region> arithmeticRegions(const QString& text) {
    QList<Region> regions;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QStringView two = QStringView(text).mid(i, 2);
        if (two != u"((" && two != u"$[")
            continue;
        const bool parens = two == u"((";
        const qsizetype end = parens
                                  ? closingOf(text, i + 2, QLatin1Char('('), QLatin1Char(')'), 2)
                                  : closingOf(text, i + 2, QLatin1Char('['), QLatin1Char(']'), 1);
        regions.append({i + 2, end < 0 ? -1 : end - (parens ? 2 : 1)});
        if (end < 0)
            break;
        i = end - 1;
    }
    return regions;
}

bool within(const QList<Region>& regions, qsizetype position) {
    return std::any_of(regions.cbegin(), regions.cend(), [&](const Region& region) {
        return position >= region.from && (region.to < 0 || position < region.to);
    });
}

// Names the template may give something other than a number: arithmetic evaluates a
// variable's value as arithmetic again, so a value that reached one would run its
// subscripts. Numbers, "$((…))" and assignments inside arithmetic give numbers only.
QSet<QString> taintedNames(const QString& text, const QList<Region>& arithmetic) {
    QSet<QString> names;
    static const QRegularExpression assignment(
        QStringLiteral("(?<![A-Za-z0-9_$])([A-Za-z_][A-Za-z0-9_]*)(\\[[^\\]]*\\])?\\+?=(?!=)"));
    static const QRegularExpression number(QStringLiteral("^-?[0-9]*$"));
    for (auto found = assignment.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        if (within(arithmetic, match.capturedStart()))
            continue;
        const qsizetype start = match.capturedEnd();
        qsizetype end = start;
        if (QStringView(text).mid(start).startsWith(u"$((")) {
            end = closingOf(text, start + 3, QLatin1Char('('), QLatin1Char(')'), 2);
            if (end < 0)
                end = start;
        }
        while (end < text.size() && !QStringView(u" \t\n;&|)").contains(text[end]))
            ++end;
        const QStringView value = QStringView(text).mid(start, end - start);
        const bool arithmeticValue =
            value.startsWith(u"$((") &&
            closingOf(value, 3, QLatin1Char('('), QLatin1Char(')'), 2) == value.size();
        if (!arithmeticValue && !number.match(value).hasMatch())
            names.insert(match.captured(1));
    }
    static const QRegularExpression takers(QStringLiteral(
        "(?<![A-Za-z0-9_-])(for|select|read|mapfile|readarray|getopts)(?![A-Za-z0-9_-])"
        "(?!\\s*\\(\\()([^;&|\\n]*)|printf\\s[^;&|\\n]*-v\\s*([A-Za-z_][A-Za-z0-9_]*)|"
        "\\$\\{([A-Za-z_][A-Za-z0-9_]*):?="));
    static const QRegularExpression name(QStringLiteral("[A-Za-z_][A-Za-z0-9_]*"));
    for (auto found = takers.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        for (auto word = name.globalMatch(match.captured(2)); word.hasNext();)
            names.insert(word.next().captured());
        names.insert(match.captured(3));
        names.insert(match.captured(4));
    }
    names.remove(QString());
    return names;
}

// A command substitution whose output is a number or a date whatever it reads: the last
// command of its pipeline is wc or date, and nothing in it expands.
bool numericCommand(QStringView command) {
    for (const QChar c : command) {
        if (QStringView(u"$`;&\n(){}").contains(c))
            return false;
    }
    static const QRegularExpression last(QStringLiteral("^\\s*(wc|date)(\\s|$)"));
    const qsizetype bar = command.lastIndexOf(QLatin1Char('|'));
    return last.match(command.mid(bar + 1)).hasMatch();
}

bool arithmeticSafe(QStringView region, const QSet<QString>& tainted);

// "${…}" inside arithmetic: a variable or an element, or a length.
bool safeParameter(QStringView content, const QSet<QString>& tainted) {
    if (content.startsWith(QLatin1Char('#')))
        content = content.mid(1);
    const qsizetype length = nameLength(content);
    if (length == 0 || tainted.contains(content.left(length).toString()))
        return false;
    const QStringView rest = content.mid(length);
    if (rest.isEmpty())
        return true;
    return rest.startsWith(QLatin1Char('[')) && rest.endsWith(QLatin1Char(']')) &&
           arithmeticSafe(rest.mid(1, rest.size() - 2), tainted);
}

// Arithmetic that cannot evaluate a value: numbers, operators, names and expansions of
// variables no value reaches, nested arithmetic and numeric command substitutions.
bool arithmeticSafe(QStringView region, const QSet<QString>& tainted) {
    static const QStringView plain(u"0123456789 \t\n+-*/%<>=!&|^~?:,;()#\"'");
    qsizetype i = 0;
    while (i < region.size()) {
        const QChar c = region[i];
        if (plain.contains(c)) {
            ++i;
            continue;
        }
        if (const qsizetype length = nameLength(region.mid(i))) {
            if (tainted.contains(region.mid(i, length).toString()))
                return false;
            i += length;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = closingOf(region, i + 1, QLatin1Char('['), QLatin1Char(']'), 1);
            if (end < 0 || !arithmeticSafe(region.mid(i + 1, end - i - 2), tainted))
                return false;
            i = end;
            continue;
        }
        if (c != QLatin1Char('$') || i + 1 >= region.size())
            return false;
        const QStringView rest = region.mid(i + 1);
        qsizetype end = -1;
        if (rest.startsWith(u"((")) {
            end = closingOf(region, i + 3, QLatin1Char('('), QLatin1Char(')'), 2);
            if (end < 0 || !arithmeticSafe(region.mid(i + 3, end - i - 5), tainted))
                return false;
        } else if (rest.startsWith(QLatin1Char('('))) {
            end = closingOf(region, i + 2, QLatin1Char('('), QLatin1Char(')'), 1);
            if (end < 0 || !numericCommand(region.mid(i + 2, end - i - 3)))
                return false;
        } else if (rest.startsWith(QLatin1Char('['))) {
            end = closingOf(region, i + 2, QLatin1Char('['), QLatin1Char(']'), 1);
            if (end < 0 || !arithmeticSafe(region.mid(i + 2, end - i - 3), tainted))
                return false;
        } else if (rest.startsWith(QLatin1Char('{'))) {
            end = closingOf(region, i + 2, QLatin1Char('{'), QLatin1Char('}'), 1);
            if (end < 0 || !safeParameter(region.mid(i + 2, end - i - 3), tainted))
                return false;
        } else if (const qsizetype length = nameLength(rest)) {
            if (tainted.contains(rest.left(length).toString()))
                return false;
            end = i + 1 + length;
        } else if (QStringView(u"#?$!").contains(rest[0])) {
            end = i + 2;  // counts and process numbers
        } else {
            return false;  // positional parameters: a function may get values there
        }
        i = end;
    }
    return true;
}

// "${name}", "${#name}", "${name:-word}" and the pattern operators expand a variable once;
// subscripts and substrings are arithmetic; indirection ("${!x}") and transformations
// ("${x@P}" expands the value as a prompt) evaluate it again.
bool plainExpansion(QStringView content, const QSet<QString>& tainted) {
    qsizetype position = 0;
    if (content.size() > 1 && content[0] == QLatin1Char('#'))
        position = 1;
    qsizetype length = nameLength(content.mid(position));
    if (length == 0 && position < content.size()) {
        const QChar c = content[position];
        if (c.unicode() < 128 && c.isDigit()) {
            while (position + length < content.size() && content[position + length].isDigit())
                ++length;
        } else if (QStringView(u"@*#?$!-").contains(c)) {
            length = 1;
        }
    }
    if (length == 0)
        return false;
    position += length;
    if (position < content.size() && content[position] == QLatin1Char('[')) {
        const qsizetype close =
            closingOf(content, position + 1, QLatin1Char('['), QLatin1Char(']'), 1);
        if (close < 0)
            return false;
        const QStringView subscript = content.mid(position + 1, close - position - 2);
        if (subscript != u"@" && subscript != u"*" && !arithmeticSafe(subscript, tainted))
            return false;
        position = close;
    }
    const QStringView rest = content.mid(position);
    if (rest.isEmpty())
        return true;
    if (content[0] == QLatin1Char('#') && position > 1)
        return false;  // "${#x…}" takes no operator
    if (rest[0] == QLatin1Char(':')) {
        if (rest.size() > 1 && QStringView(u"-=?+").contains(rest[1]))
            return true;
        return arithmeticSafe(rest.mid(1), tainted);  // a substring: offset and length
    }
    return QStringView(u"-=?+#%/^,").contains(rest[0]);
}

// "${name:-word}" and its kin: the word is expanded once, like any other word.
bool isDefault(QStringView content) {
    static const QRegularExpression head(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-]):?[-=?+]"));
    return head.match(content.toString()).hasMatch();
}

std::optional<Rereading> arithmeticReread(const QString& text, const QList<Span>& spans,
                                          const QList<Region>& regions,
                                          const QSet<QString>& tainted) {
    for (const Region& region : regions) {
        QString construct = text.mid(region.from - 2, 2) == QLatin1String("$[")
                                ? QStringLiteral("$[…]")
                                : QStringLiteral("((…))");
        if (region.from >= 3 && text[region.from - 3] == QLatin1Char('$') &&
            construct.startsWith(QLatin1Char('(')))
            construct.prepend(QLatin1Char('$'));
        const Rereading found{std::nullopt, Rereading::How::arithmetic, construct};
        if (region.to < 0)
            return Rereading{touched(spans, region.from, text.size()), found.how, construct};
        if (const auto span = touched(spans, region.from, region.to))
            return Rereading{span, found.how, construct};
        if (!arithmeticSafe(QStringView(text).mid(region.from, region.to - region.from), tainted))
            return found;
    }
    return std::nullopt;
}

// "[[ … ]]": strings, patterns and files are only compared; the operands of -eq and its
// kin are arithmetic, and -v and -R take a variable's name, whose subscript is.
std::optional<Rereading> conditionalsReread(const QString& text, const QList<Span>& spans,
                                            const QSet<QString>& tainted) {
    static const QSet<QString> arithmeticOperators = {QStringLiteral("-eq"), QStringLiteral("-ne"),
                                                      QStringLiteral("-lt"), QStringLiteral("-le"),
                                                      QStringLiteral("-gt"), QStringLiteral("-ge")};
    static const QRegularExpression clauseSeparator(QStringLiteral("&&|\\|\\|"));
    static const QRegularExpression plainName(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\[[0-9]*\\])?$"));
    for (qsizetype i = text.indexOf(u"[["); i >= 0; i = text.indexOf(u"[[", i + 2)) {
        const qsizetype end = text.indexOf(u"]]", i + 2);
        if (end < 0)
            return Rereading{touched(spans, i, text.size()), Rereading::How::unmodelled,
                             QStringLiteral("[[ …")};
        qsizetype clauseStart = i + 2;
        const QString inside = text.mid(i + 2, end - i - 2);
        QList<std::pair<qsizetype, qsizetype>> clauses;
        qsizetype from = 0;
        for (auto separator = clauseSeparator.globalMatch(inside); separator.hasNext();) {
            const QRegularExpressionMatch match = separator.next();
            clauses.append({from, match.capturedStart()});
            from = match.capturedEnd();
        }
        clauses.append({from, inside.size()});
        for (const auto& [start, stop] : clauses) {
            clauseStart = i + 2 + start;
            const QString clause = inside.mid(start, stop - start);
            const QStringList tokens = clause.split(
                QRegularExpression(QStringLiteral("[ \\t\\n()!]+")), Qt::SkipEmptyParts);
            const bool arithmetic =
                std::any_of(tokens.cbegin(), tokens.cend(),
                            [](const QString& t) { return arithmeticOperators.contains(t); });
            const qsizetype nameTest = std::max(tokens.indexOf(QStringLiteral("-v")),
                                                tokens.indexOf(QStringLiteral("-R")));
            if (!arithmetic && nameTest < 0)
                continue;
            QString op;
            for (const QString& token : tokens) {
                if (arithmeticOperators.contains(token))
                    op = token;
            }
            const Rereading found =
                arithmetic
                    ? Rereading{std::nullopt, Rereading::How::arithmetic,
                                QStringLiteral("[[ … ") + op + QStringLiteral(" … ]]")}
                    : Rereading{std::nullopt, Rereading::How::name,
                                QStringLiteral("[[ ") + tokens[nameTest] + QStringLiteral(" … ]]")};
            if (const auto span = touched(spans, clauseStart, clauseStart + clause.size()))
                return Rereading{span, found.how, found.construct};
            if (arithmetic) {
                QString operands = clause;
                for (const QString& op : arithmeticOperators)
                    operands.replace(op, QStringLiteral(" "));
                if (!arithmeticSafe(operands, tainted))
                    return found;
            }
            if (nameTest >= 0 && (nameTest + 1 >= tokens.size() ||
                                  !plainName.match(tokens[nameTest + 1]).hasMatch()))
                return Rereading{std::nullopt, Rereading::How::name, found.construct};
        }
    }
    return std::nullopt;
}

// Subscripts of a name, and of assignments in lists ("( [k]=v )"), are arithmetic.
std::optional<Rereading> subscriptsReread(const QString& text, const QList<Span>& spans,
                                          const QSet<QString>& tainted,
                                          const QSet<QString>& associative) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('['))
            continue;
        const qsizetype end = closingOf(text, i + 1, QLatin1Char('['), QLatin1Char(']'), 1);
        if (end < 0)
            continue;  // no subscript: bash reads a lone "[" as a plain character
        const QStringView after = QStringView(text).mid(end);
        const bool assigned = after.startsWith(u"=") || after.startsWith(u"+=");
        qsizetype nameStart = i;
        while (nameStart > 0 && isNameCharacter(text[nameStart - 1]))
            --nameStart;
        // "$a[1]" is the variable and a pattern in bash, no element.
        const bool named =
            nameStart < i && (nameStart == 0 || text[nameStart - 1] != QLatin1Char('$'));
        if (!assigned && !named)
            continue;
        if (nameStart >= 2 && QStringView(text).mid(nameStart - 2, 2) == u"${" &&
            associative.contains(text.mid(nameStart, i - nameStart)))
            continue;  // a key, looked up as it is
        const QString construct = text.mid(nameStart, i - nameStart) + QStringLiteral("[…]");
        if (const auto span = touched(spans, i, end))
            return Rereading{span, Rereading::How::arithmetic, construct};
        const QStringView inside = QStringView(text).mid(i + 1, end - i - 2);
        if (inside != u"@" && inside != u"*" && !arithmeticSafe(inside, tainted))
            return Rereading{std::nullopt, Rereading::How::arithmetic, construct};
    }
    return std::nullopt;
}

std::optional<Rereading> expansionsReread(const QString& text, const QList<Span>& spans,
                                          const QSet<QString>& tainted,
                                          const QSet<QString>& associative) {
    for (qsizetype i = text.indexOf(u"${"); i >= 0; i = text.indexOf(u"${", i + 1)) {
        const qsizetype end = closingOf(text, i + 2, QLatin1Char('{'), QLatin1Char('}'), 1);
        const Rereading found{std::nullopt, Rereading::How::unmodelled, QStringLiteral("${…}")};
        if (end < 0)
            return Rereading{touched(spans, i, text.size()), found.how, found.construct};
        const QStringView content = QStringView(text).mid(i + 2, end - 1 - (i + 2));
        if (isDefault(content))
            continue;  // expansions inside its word are found on their own
        static const QRegularExpression lookup(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\[.*\\]$"));
        if (const QRegularExpressionMatch match = lookup.match(content.toString());
            match.hasMatch() && associative.contains(match.captured(1)))
            continue;  // the template reader follows what a key holds
        if (const auto span = touched(spans, i, end))
            return Rereading{span, found.how, found.construct};
        if (!plainExpansion(content, tainted))
            return found;
    }
    return std::nullopt;
}

std::optional<Rereading> commandsReread(const QString& text, const QList<Span>& spans,
                                        const QSet<QString>& tainted) {
    static const QRegularExpression declaration(
        QStringLiteral("(?<![A-Za-z0-9_-])(declare|typeset|local|export|readonly)"
                       "(?![A-Za-z0-9_-])([^;&|\\n]*)"));
    // Integers evaluate what is assigned to them; references name another variable.
    static const QRegularExpression evaluatedOption(QStringLiteral("(^|\\s)[-+][A-Za-z]*[in]"));
    for (auto found = declaration.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        if (const QRegularExpressionMatch option = evaluatedOption.match(match.captured(2));
            option.hasMatch()) {
            const QString written = option.captured().trimmed();
            return Rereading{std::nullopt,
                             written.endsWith(QLatin1Char('n')) ? Rereading::How::name
                                                                : Rereading::How::arithmetic,
                             match.captured(1) + QLatin1Char(' ') + written};
        }
    }
    static const QRegularExpression arithmeticCommand(
        QStringLiteral("(^|[;&|(){}\\n`!]|(^|\\s)(then|do|else|elif|if|while|until|time))\\s*"
                       "(command\\s+|builtin\\s+)?(let|compgen|complete)(?![A-Za-z0-9_-])"));
    if (const QRegularExpressionMatch match = arithmeticCommand.match(text); match.hasMatch())
        return Rereading{std::nullopt,
                         match.captured(5) == QLatin1String("let") ? Rereading::How::arithmetic
                                                                   : Rereading::How::unmodelled,
                         match.captured(5)};
    static const QRegularExpression nameTest(QStringLiteral(
        "(?<![A-Za-z0-9_-])(test|\\[)([ \\t][^;&|\\n]*?)?[ \\t]-[vR][ \\t]+([^ \\t;&|\\n]*)"));
    static const QRegularExpression plainName(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\[[0-9]*\\])?$"));
    for (auto found = nameTest.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        const QString construct = match.captured(1) + QStringLiteral(" -v");
        if (const auto span = touched(spans, match.capturedStart(3), match.capturedEnd(3)))
            return Rereading{span, Rereading::How::name, construct};
        if (!plainName.match(match.captured(3)).hasMatch())
            return Rereading{std::nullopt, Rereading::How::name, construct};
    }
    // bash expands the target of ">&" and "<&" twice unless it is a number or "-".
    static const QRegularExpression duplication(
        QStringLiteral("[<>]&[ \\t]*(?![0-9]*[-]?([ \\t\\n;&|)<>]|$))"));
    if (duplication.match(text).hasMatch())
        return Rereading{std::nullopt, Rereading::How::unmodelled, QStringLiteral(">&")};
    // bash's integer variables evaluate whatever is assigned to them.
    for (const char* name : {"RANDOM", "SRANDOM", "OPTIND", "HISTCMD", "BASHPID"}) {
        if (tainted.contains(QLatin1String(name)))
            return Rereading{std::nullopt, Rereading::How::arithmetic,
                             QLatin1String(name) + QLatin1Char('=')};
    }
    return std::nullopt;
}

}  // namespace

std::optional<Rereading> mayReread(const QString& masked, const QList<Span>& spans,
                                   const QSet<QString>& associative) {
    const QList<Region> regions = arithmeticRegions(masked);
    const QSet<QString> tainted = taintedNames(masked, regions);
    if (auto found = arithmeticReread(masked, spans, regions, tainted))
        return found;
    if (auto found = conditionalsReread(masked, spans, tainted))
        return found;
    if (auto found = subscriptsReread(masked, spans, tainted, associative))
        return found;
    if (auto found = expansionsReread(masked, spans, tainted, associative))
        return found;
    return commandsReread(masked, spans, tainted);
}

}  // namespace ShellRereading
