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

bool arithmeticSafe(QStringView region, const Names& names);

// "${…}" inside arithmetic: a variable or an element, or a length.
bool safeParameter(QStringView content, const Names& names) {
    if (content.startsWith(QLatin1Char('#')))
        content = content.mid(1);
    if (!content.isEmpty() && (content[0].isDigit() || content == u"@" || content == u"*")) {
        qsizetype digits = 0;
        while (digits < content.size() && content[digits].isDigit())
            ++digits;
        const QStringView name = digits > 0 ? content.left(digits) : content.left(1);
        return name.size() == content.size() && !names.mayHoldValues(name.toString());
    }
    const qsizetype length = nameLength(content);
    if (length == 0 || names.mayHoldValues(content.left(length).toString()))
        return false;
    const QStringView rest = content.mid(length);
    if (rest.isEmpty())
        return true;
    return rest.startsWith(QLatin1Char('[')) && rest.endsWith(QLatin1Char(']')) &&
           arithmeticSafe(rest.mid(1, rest.size() - 2), names);
}

// Arithmetic that cannot evaluate a value: numbers, operators, names and expansions of
// variables no value reaches, nested arithmetic and numeric command substitutions.
bool arithmeticSafe(QStringView region, const Names& names) {
    static const QStringView plain(u"0123456789 \t\n+-*/%<>=!&|^~?:,;()#\"'");
    qsizetype i = 0;
    while (i < region.size()) {
        const QChar c = region[i];
        if (plain.contains(c)) {
            ++i;
            continue;
        }
        if (const qsizetype length = nameLength(region.mid(i))) {
            if (names.mayHoldValues(region.mid(i, length).toString()))
                return false;
            i += length;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = closingOf(region, i + 1, QLatin1Char('['), QLatin1Char(']'), 1);
            if (end < 0 || !arithmeticSafe(region.mid(i + 1, end - i - 2), names))
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
            if (end < 0 || !arithmeticSafe(region.mid(i + 3, end - i - 5), names))
                return false;
        } else if (rest.startsWith(QLatin1Char('('))) {
            end = closingOf(region, i + 2, QLatin1Char('('), QLatin1Char(')'), 1);
            if (end < 0 || !ShellWords::printsANumber(region.mid(i + 2, end - i - 3)))
                return false;
        } else if (rest.startsWith(QLatin1Char('['))) {
            end = closingOf(region, i + 2, QLatin1Char('['), QLatin1Char(']'), 1);
            if (end < 0 || !arithmeticSafe(region.mid(i + 2, end - i - 3), names))
                return false;
        } else if (rest.startsWith(QLatin1Char('{'))) {
            end = closingOf(region, i + 2, QLatin1Char('{'), QLatin1Char('}'), 1);
            if (end < 0 || !safeParameter(region.mid(i + 2, end - i - 3), names))
                return false;
        } else if (const qsizetype length = nameLength(rest)) {
            if (names.mayHoldValues(rest.left(length).toString()))
                return false;
            end = i + 1 + length;
        } else if (QStringView(u"#?$!").contains(rest[0])) {
            end = i + 2;  // counts and process numbers
        } else if (rest[0].isDigit() || rest[0] == QLatin1Char('@') ||
                   rest[0] == QLatin1Char('*')) {
            if (names.mayHoldValues(QString(rest[0])))
                return false;  // positional parameters: a caller's values
            end = i + 2;
        } else {
            return false;
        }
        i = end;
    }
    return true;
}

// "${name}", "${#name}", "${name:-word}" and the pattern operators expand a variable once;
// subscripts and substrings are arithmetic; indirection ("${!x}") and transformations
// ("${x@P}" expands the value as a prompt) evaluate it again.
bool plainExpansion(QStringView content, const Names& names) {
    if (content == u"!#")
        return true;  // the last positional parameter
    if (content.size() > 1 && content[0] == QLatin1Char('!'))
        return false;  // "${!x}": whatever variable a text names
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
        if (subscript != u"@" && subscript != u"*" && !arithmeticSafe(subscript, names))
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
        return arithmeticSafe(rest.mid(1), names);  // a substring: offset and length
    }
    return QStringView(u"-=?+#%/^,").contains(rest[0]);
}

// "${name:-word}" and its kin: the word is expanded once, like any other word.
bool isDefault(QStringView content) {
    static const QRegularExpression head(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-]):?[-=?+]"));
    return head.match(content.toString()).hasMatch();
}

// The first placeholder within [from, to) of arithmetic whose value reaches the arithmetic:
// not one inside a command substitution there that prints a number whatever it reads
// ("$(( $(wc -l < {{f}}) + 1 ))").
std::optional<qsizetype> reachesArithmetic(const QString& text, const QList<Span>& spans,
                                           qsizetype from, qsizetype to) {
    QList<std::pair<qsizetype, qsizetype>> numbers;
    for (qsizetype i = text.indexOf(u"$(", from); i >= 0 && i < to;
         i = text.indexOf(u"$(", i + 1)) {
        if (i + 2 < text.size() && text[i + 2] == QLatin1Char('(')) {
            const qsizetype end = closingOf(text, i + 3, QLatin1Char('('), QLatin1Char(')'), 2);
            if (end < 0)
                break;
            i = end - 1;  // nested arithmetic computes what it holds
            continue;
        }
        const qsizetype end = closingOf(text, i + 2, QLatin1Char('('), QLatin1Char(')'), 1);
        if (end < 0)
            break;
        if (ShellWords::printsANumber(QStringView(text).mid(i + 2, end - i - 3)))
            numbers.append({i, end});
        i = end - 1;
    }
    for (qsizetype k = 0; k < spans.size(); ++k) {
        const qsizetype start = spans[k].first;
        const qsizetype length = spans[k].second;
        if (start + length <= from || start >= to)
            continue;
        if (std::none_of(numbers.cbegin(), numbers.cend(), [&](const auto& number) {
                return start > number.first && start + length < number.second;
            }))
            return k;
    }
    return std::nullopt;
}

std::optional<Rereading> arithmeticReread(const QString& text, const QList<Span>& spans,
                                          const QList<Region>& regions, const Names& names) {
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
        if (const auto span = reachesArithmetic(text, spans, region.from, region.to))
            return Rereading{span, found.how, construct};
        if (!arithmeticSafe(QStringView(text).mid(region.from, region.to - region.from), names))
            return found;
    }
    return std::nullopt;
}

// "[[ … ]]": strings, patterns and files are only compared; the operands of -eq and its
// kin are arithmetic, and -v and -R take a variable's name, whose subscript is.
std::optional<Rereading> conditionalsReread(const QString& text, const QList<Span>& spans,
                                            const Names& names) {
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
                if (!arithmeticSafe(operands, names))
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
                                          const Names& names) {
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
        // "$a[1]" is the variable and a pattern in bash, no element; in zsh it is one.
        const bool named = nameStart < i &&
                           (names.zsh || nameStart == 0 || text[nameStart - 1] != QLatin1Char('$'));
        if (!assigned && !named)
            continue;
        // An associative array's key, looked up or assigned as a command's word, is a word.
        const bool lookedUp = nameStart >= 2 && QStringView(text).mid(nameStart - 2, 2) == u"${";
        const bool assignment =
            assigned && (nameStart == 0 || QStringView(u" \t\n;&|(").contains(text[nameStart - 1]));
        if ((lookedUp || assignment) &&
            names.associative.holdsAt(text.mid(nameStart, i - nameStart), nameStart))
            continue;
        const QString construct = text.mid(nameStart, i - nameStart) + QStringLiteral("[…]");
        if (const auto span = touched(spans, i, end))
            return Rereading{span, Rereading::How::arithmetic, construct};
        const QStringView inside = QStringView(text).mid(i + 1, end - i - 2);
        if (inside != u"@" && inside != u"*" && !arithmeticSafe(inside, names))
            return Rereading{std::nullopt, Rereading::How::arithmetic, construct};
    }
    return std::nullopt;
}

std::optional<Rereading> expansionsReread(const QString& text, const QList<Span>& spans,
                                          const Names& names) {
    for (qsizetype i = text.indexOf(u"${"); i >= 0; i = text.indexOf(u"${", i + 1)) {
        const qsizetype end = closingOf(text, i + 2, QLatin1Char('{'), QLatin1Char('}'), 1);
        const Rereading found{std::nullopt, Rereading::How::unmodelled, QStringLiteral("${…}")};
        if (end < 0)
            return Rereading{touched(spans, i, text.size()), found.how, found.construct};
        const QStringView content = QStringView(text).mid(i + 2, end - 1 - (i + 2));
        if (isDefault(content))
            continue;  // expansions inside its word are found on their own
        // A key is looked up as it is, also with a default after it ("${m[$k]:-x}").
        static const QRegularExpression lookup(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\[.*\\](:?[-=?+].*)?$"));
        if (const QRegularExpressionMatch match = lookup.match(content.toString());
            match.hasMatch() && names.associative.holdsAt(match.captured(1), i))
            continue;  // the template reader follows what a key holds
        if (const auto span = touched(spans, i, end))
            return Rereading{span, found.how, found.construct};
        if (!plainExpansion(content, names))
            return found;
    }
    return std::nullopt;
}

// What zsh (and ksh) compute that bash does not: the numeric arguments of printf and print
// -f (a numeric conversion, a "*" width or precision), the counts of shift, exit, return,
// break and continue, and what is assigned to their integer variables.
std::optional<Rereading> zshArithmeticReread(const QString& text, const Names& names) {
    static const QRegularExpression command(QStringLiteral(
        "(?<![A-Za-z0-9_./-])(printf|print|shift|exit|return|break|continue)(?![A-Za-z0-9_-])"
        "([^;&|\\n]*)"));
    static const QRegularExpression numeric(
        QStringLiteral("%[-+ #0'0-9.$]*(\\*|[-+ #0'0-9.$*]*[diouxXeEfFgGaAc])"));
    static const QRegularExpression bareName(QStringLiteral("(?<![$A-Za-z0-9_])[A-Za-z_]\\w*"));
    // What the words may hold that is no plain integer: through expansions, and through
    // names, which arithmetic reads as variables.
    const auto holdsValues = [&](const QString& words) {
        ShellValueFlow::Values held = names.flow.valuesIn(words);
        for (auto name = bareName.globalMatch(words); name.hasNext();) {
            const QString found = name.next().captured();
            held |= names.flow.valuesOf(found) | names.flow.changedOf(found);
        }
        return std::any_of(held.cbegin(), held.cend(),
                           [&](qsizetype value) { return !names.integers.contains(value); });
    };
    for (auto found = command.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        const QString name = match.captured(1);
        const QString rest = match.captured(2);
        if (name == QLatin1String("printf") || name == QLatin1String("print")) {
            const QString written =
                names.written.mid(match.capturedStart(2), match.capturedLength(2));
            if ((name == QLatin1String("printf") || written.contains(QLatin1String("-f"))) &&
                numeric.match(written).hasMatch() && names.flow.valuesIn(rest).size() > 0 &&
                holdsValues(rest))
                return Rereading{std::nullopt, Rereading::How::arithmetic,
                                 name + QStringLiteral(" %d")};
        } else if (holdsValues(rest)) {
            return Rereading{std::nullopt, Rereading::How::arithmetic, name};
        }
    }
    for (const char* name : {"COLUMNS",
                             "LINES",
                             "HISTSIZE",
                             "SAVEHIST",
                             "KEYTIMEOUT",
                             "LISTMAX",
                             "MAILCHECK",
                             "SHLVL",
                             "ERRNO",
                             "SECONDS",
                             "RANDOM",
                             "OPTIND",
                             "TRY_BLOCK_ERROR",
                             "TRY_BLOCK_INTERRUPT",
                             "DIRSTACKSIZE",
                             "LOGCHECK",
                             "PERIOD",
                             "REPORTTIME",
                             "REPORTMEMORY",
                             "TMOUT",
                             "ZLE_RPROMPT_INDENT",
                             "LINENO",
                             "UID",
                             "EUID",
                             "GID",
                             "EGID"}) {
        if (names.mayHoldValues(QLatin1String(name)))
            return Rereading{std::nullopt, Rereading::How::arithmetic,
                             QLatin1String(name) + QLatin1Char('=')};
    }
    return std::nullopt;
}

std::optional<Rereading> commandsReread(const QString& text, const QList<Span>& spans,
                                        const Names& names) {
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
    // zsh's and ksh's integer and float declarations compute what they are given, and zsh's
    // repeat its count.
    static const QRegularExpression zshArithmetic(
        QStringLiteral("(?<![A-Za-z0-9_-])(integer|float|repeat)(?![A-Za-z0-9_-])[^;&|\\n]*\\$"));
    if (const QRegularExpressionMatch match = zshArithmetic.match(text);
        names.zsh && match.hasMatch())
        return Rereading{std::nullopt, Rereading::How::arithmetic, match.captured(1)};
    if (names.zsh) {
        if (auto found = zshArithmeticReread(text, names))
            return found;
    }
    // bash's integer variables evaluate whatever is assigned to them.
    for (const char* name : {"RANDOM", "SRANDOM", "OPTIND", "HISTCMD", "BASHPID"}) {
        if (names.mayHoldValues(QLatin1String(name)))
            return Rereading{std::nullopt, Rereading::How::arithmetic,
                             QLatin1String(name) + QLatin1Char('=')};
    }
    return std::nullopt;
}

}  // namespace

bool Names::mayHoldValues(const QString& name) const {
    const ShellValueFlow::Values held = flow.valuesOf(name) | flow.changedOf(name);
    return std::any_of(held.cbegin(), held.cend(),
                       [&](qsizetype value) { return !integers.contains(value); });
}

std::optional<Rereading> mayReread(const QString& masked, const QList<Span>& spans,
                                   const Names& names) {
    const QList<Region> regions = arithmeticRegions(masked);
    if (auto found = arithmeticReread(masked, spans, regions, names))
        return found;
    if (auto found = conditionalsReread(masked, spans, names))
        return found;
    if (auto found = subscriptsReread(masked, spans, names))
        return found;
    if (auto found = expansionsReread(masked, spans, names))
        return found;
    return commandsReread(masked, spans, names);
}

}  // namespace ShellRereading
