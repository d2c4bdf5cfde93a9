#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellCommandReader.h"
#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellWords.h"

// What a command's output may carry of what it was given: its words (all, some, or only as
// they are), its input, what programs kept before; and the command substitutions whose output
// is a number whatever they read.

namespace ShellValueFlow {

using ShellWords::unquoted;

bool printsOnlyItsWords(const QString& program) {
    static const QSet<QString> builtins = {
        QStringLiteral("echo"),    QStringLiteral("printf"),  QStringLiteral("true"),
        QStringLiteral("false"),   QStringLiteral(":"),       QStringLiteral("read"),
        QStringLiteral("cd"),      QStringLiteral("export"),  QStringLiteral("local"),
        QStringLiteral("declare"), QStringLiteral("typeset"), QStringLiteral("readonly"),
        QStringLiteral("set"),     QStringLiteral("shift"),   QStringLiteral("unset"),
        QStringLiteral("test"),    QStringLiteral("["),       QStringLiteral("[[")};
    return builtins.contains(program);
}

namespace {

// The word after a command's options ("printf -v x FORMAT": the format), or "" when there is
// none.
QString firstOperand(const QStringList& words, qsizetype program) {
    for (qsizetype i = program + 1; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (word == QLatin1String("--"))
            return i + 1 < words.size() ? words[i + 1] : QString();
        if (word == QLatin1String("-v")) {
            ++i;
            continue;
        }
        if (!word.startsWith(QLatin1Char('-')) || word.size() < 2)
            return words[i];
    }
    return {};
}

}  // namespace

bool printsWordsAsGiven(const QStringList& words, qsizetype program) {
    const QString name = unquoted(words[program]);
    if (name == QLatin1String("echo")) {
        for (qsizetype i = program + 1; i < words.size(); ++i) {
            const QString word = unquoted(words[i]);
            if (!word.startsWith(QLatin1Char('-')) || word.size() < 2)
                break;
            if (word.contains(QLatin1Char('e')))
                return false;
        }
        return true;
    }
    if (name != QLatin1String("printf"))
        return false;
    const QString format = firstOperand(words, program);
    static const QRegularExpression onlyStrings(QStringLiteral("^([^%$`]|%s|%%)*$"));
    return !format.isEmpty() && onlyStrings.match(unquoted(format)).hasMatch();
}

bool passesInputAsRead(const QStringList& words, qsizetype program) {
    static const QSet<QString> filters = {
        QStringLiteral("cat"),  QStringLiteral("tee"),   QStringLiteral("sort"),
        QStringLiteral("uniq"), QStringLiteral("head"),  QStringLiteral("tail"),
        QStringLiteral("grep"), QStringLiteral("egrep"), QStringLiteral("fgrep")};
    const QString name = unquoted(words[program]);
    if (!filters.contains(name))
        return printsWordsAsGiven(words, program);  // it does not print its input at all
    // cat -v and -A rewrite bytes, head and tail -c cut lines, grep -o prints parts of them.
    const QString rewriting = name == QLatin1String("cat") ? "vAetT"
                              : name == QLatin1String("head") || name == QLatin1String("tail") ? "c"
                              : name.endsWith(QLatin1String("grep"))                           ? "o"
                                                                                               : "";
    for (qsizetype i = program + 1; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (word.startsWith(QLatin1String("--bytes")) ||
            word.startsWith(QLatin1String("--only-matching")) ||
            word.startsWith(QLatin1String("--show")))
            return false;
        if (word.startsWith(QLatin1Char('-')) && !word.startsWith(QLatin1String("--")) &&
            std::any_of(rewriting.cbegin(), rewriting.cend(),
                        [&](QChar c) { return word.contains(c); }))
            return false;
    }
    return true;
}

std::optional<QStringList> printedWords(const QStringList& words, qsizetype program) {
    const QString name = unquoted(words[program]);
    if (name == QLatin1String("find")) {
        static const QSet<QString> printing = {
            QStringLiteral("-exec"),   QStringLiteral("-execdir"),    QStringLiteral("-ok"),
            QStringLiteral("-okdir"),  QStringLiteral("-printf"),     QStringLiteral("-fprintf"),
            QStringLiteral("-fprint"), QStringLiteral("-fprint0"),    QStringLiteral("-ls"),
            QStringLiteral("-fls"),    QStringLiteral("-files0-from")};
        qsizetype i = program + 1;
        while (i < words.size() && QStringList{"-H", "-L", "-P"}.contains(unquoted(words[i])))
            ++i;
        QStringList points;
        for (; i < words.size(); ++i) {
            const QString word = unquoted(words[i]);
            if (word.startsWith(QLatin1Char('-')) || word == QLatin1String("(") ||
                word == QLatin1String("!"))
                break;
            points.append(words[i]);
        }
        // An expression word that expands, other than an option's word, may be any action.
        for (; i < words.size(); ++i) {
            const QString word = unquoted(words[i]);
            if (printing.contains(word) || ShellWords::expands(words[i]))
                return std::nullopt;
            i += ShellProgramOptions::wordsTaken(name, word);
        }
        return points;
    }
    static const QSet<QString> greps = {QStringLiteral("grep"), QStringLiteral("egrep"),
                                        QStringLiteral("fgrep")};
    if (!greps.contains(name))
        return std::nullopt;
    static const QRegularExpression patterns(QStringLiteral("^-[A-Za-z]*[ef]"));
    bool patternGiven = false;
    bool ended = false;
    QStringList operands;
    QStringList labels;
    for (qsizetype i = program + 1; i < words.size(); ++i) {
        const QString word = unquoted(words[i]);
        if (!ended && word == QLatin1String("--")) {
            ended = true;
        } else if (!ended && word.size() > 1 && word.startsWith(QLatin1Char('-'))) {
            if (ShellWords::expands(words[i].section(QLatin1Char('='), 0, 0)))
                return std::nullopt;  // it may be any option
            // "--label=NAME" is printed as the name of the standard input.
            if (ShellProgramOptions::abbreviates(word.section(QLatin1Char('='), 0, 0),
                                                 QStringLiteral("--label"), 4))
                labels.append(word.contains(QLatin1Char('=')) ? words[i].section('=', 1)
                                                              : words.value(i + 1));
            patternGiven = patternGiven || patterns.match(word).hasMatch() ||
                           ShellProgramOptions::abbreviates(word, QStringLiteral("--regexp"), 3) ||
                           ShellProgramOptions::abbreviates(word, QStringLiteral("--file"), 3);
            i += ShellProgramOptions::wordsTaken(name, word);
        } else {
            operands.append(words[i]);
        }
    }
    return labels + (patternGiven ? operands : operands.mid(1));
}

bool runsCommands(QStringView text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype close = text.indexOf(QLatin1Char('\''), i + 1);
            if (close < 0)
                return false;
            i = close;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            ++i;
            continue;
        }
        const bool opens =
            (c == QLatin1Char('$') || c == QLatin1Char('<') || c == QLatin1Char('>')) &&
            text[i + 1] == QLatin1Char('(');
        if (c == QLatin1Char('`'))
            return true;
        if (!opens)
            continue;
        if (c == QLatin1Char('$') && i + 2 < text.size() && text[i + 2] == QLatin1Char('(')) {
            ++i;  // arithmetic: a number
            continue;
        }
        const qsizetype end = skipNested(text, i + 2, QLatin1Char('('));
        if (c != QLatin1Char('$') ||
            !ShellWords::printsANumber(text.mid(i + 2, std::max<qsizetype>(end - i - 3, 0))))
            return true;
        i = end - 1;
    }
    return false;
}

QString withoutNumbers(QStringView text) {
    QString result;
    qsizetype copied = 0;
    for (qsizetype i = text.indexOf(u"$("); i >= 0; i = text.indexOf(u"$(", i + 1)) {
        if (i + 2 < text.size() && text[i + 2] == QLatin1Char('('))
            continue;
        const qsizetype end = skipNested(text, i + 2, QLatin1Char('('));
        if (!ShellWords::printsANumber(text.mid(i + 2, std::max<qsizetype>(end - i - 3, 0))))
            continue;
        result += text.mid(copied, i - copied);
        result += QLatin1Char('0');
        copied = end;
        i = end - 1;
    }
    result += text.mid(copied);
    return result;
}

}  // namespace ShellValueFlow
