#include "Actions/ShellTemplateNames.h"

#include <QRegularExpression>

#include "Actions/ShellWords.h"

namespace ShellTemplateNames {

using ShellWords::unquoted;

// Names the template gives an alias, with alias or through BASH_ALIASES, or another program
// than the search path's: "hash -p /bin/sh git", BASH_CMDS.
QSet<QString> aliasNames(const QString& text) {
    QSet<QString> names;
    static const QRegularExpression alias(
        QStringLiteral("(?<![A-Za-z0-9_-])alias((?:\\s+-p)?(?:\\s+[^;&|\\n]*))"));
    static const QRegularExpression definition(QStringLiteral("([^\\s=]+)="));
    static const QRegularExpression table(QStringLiteral("BASH_(?:ALIASES|CMDS)\\[([^\\]]+)\\]"));
    // "BASH_CMDS=([git]=/bin/sh)": the keys of the list
    static const QRegularExpression list(QStringLiteral("BASH_(?:ALIASES|CMDS)\\+?=\\(([^)]*)\\)"));
    static const QRegularExpression key(QStringLiteral("\\[([^\\]]+)\\]"));
    // "hash -p PATH NAME …": every name after the path
    static const QRegularExpression hash(QStringLiteral(
        "(?<![A-Za-z0-9_-])hash\\s+(?:-[A-Za-z]*\\s+)*-[A-Za-z]*p\\s*\\S+((?:\\s+[^\\s;&|)]+)*)"));
    for (auto found = hash.globalMatch(text); found.hasNext();) {
        for (const QString& name : found.next().captured(1).split(
                 QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            names.insert(unquoted(name));
    }
    for (auto found = list.globalMatch(text); found.hasNext();) {
        for (auto name = key.globalMatch(found.next().captured(1)); name.hasNext();)
            names.insert(unquoted(name.next().captured(1)));
    }
    for (auto found = alias.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(1);
        for (auto name = definition.globalMatch(rest); name.hasNext();)
            names.insert(unquoted(name.next().captured(1)));
    }
    for (auto found = table.globalMatch(text); found.hasNext();)
        names.insert(unquoted(found.next().captured(1)));
    return names;
}

// A shell option that changes how bash reads a template beyond what the reader follows
// ("shopt -s extdebug" hands a function's arguments to BASH_ARGV, "expand_aliases" runs
// aliases, "set -k" makes later assignments settings of any command): the option as
// written, or "" when every option turned on is one the reader knows.
QString unknownShellOption(const QString& text) {
    static const QSet<QString> knownShopt = {
        QStringLiteral("nullglob"),        QStringLiteral("failglob"),
        QStringLiteral("globstar"),        QStringLiteral("dotglob"),
        QStringLiteral("nocaseglob"),      QStringLiteral("nocasematch"),
        QStringLiteral("extglob"),         QStringLiteral("lastpipe"),
        QStringLiteral("inherit_errexit"), QStringLiteral("globasciiranges"),
        QStringLiteral("checkwinsize"),    QStringLiteral("histappend")};
    static const QSet<QString> knownSet = {
        QStringLiteral("errexit"), QStringLiteral("nounset"),   QStringLiteral("pipefail"),
        QStringLiteral("xtrace"),  QStringLiteral("noglob"),    QStringLiteral("noclobber"),
        QStringLiteral("verbose"), QStringLiteral("allexport"), QStringLiteral("notify")};
    static const QRegularExpression shopt(
        QStringLiteral("(?<![A-Za-z0-9_-])shopt((?:\\s+[^;&|\\n\\s)]+)*)"));
    static const QRegularExpression set(
        QStringLiteral("(?<![A-Za-z0-9_-])set((?:\\s+[-+][^;&|\\n\\s)]*(?:\\s+[a-z]+)?)*)"));
    static const QRegularExpression word(QStringLiteral("[^\\s]+"));
    for (auto found = shopt.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(1);
        bool turnsOn = false;
        for (auto piece = word.globalMatch(rest); piece.hasNext();) {
            const QString option = unquoted(piece.next().captured());
            if (option.startsWith(QLatin1Char('-'))) {
                turnsOn = turnsOn || option.contains(QLatin1Char('s'));
                if (option.contains(QLatin1Char('o')))
                    turnsOn = false;  // "shopt -so": the options of set, checked below
            } else if (turnsOn && !knownShopt.contains(option)) {
                return QStringLiteral("shopt -s ") + option;
            }
        }
    }
    static const QRegularExpression letters(QStringLiteral("^-[A-Za-z]*[^euxfCvabmnhpo-]"));
    for (auto found = set.globalMatch(text); found.hasNext();) {
        const QString rest = found.next().captured(1);
        bool optionName = false;
        for (auto piece = word.globalMatch(rest); piece.hasNext();) {
            const QString option = unquoted(piece.next().captured());
            if (std::exchange(optionName, false)) {
                if (!knownSet.contains(option))
                    return QStringLiteral("set -o ") + option;
                continue;
            }
            if (option == QLatin1String("-o")) {
                optionName = true;
                continue;
            }
            if (letters.match(option).hasMatch())
                return QStringLiteral("set ") + option;
        }
    }
    return {};
}

// Names the template makes arrays, read without regard to quotes so that it errs towards
// more, and bash's own arrays.
QSet<QString> arrayNames(const QString& text) {
    QSet<QString> names = {QStringLiteral("BASH_ALIASES"), QStringLiteral("BASH_ARGC"),
                           QStringLiteral("BASH_ARGV"),    QStringLiteral("BASH_CMDS"),
                           QStringLiteral("BASH_LINENO"),  QStringLiteral("BASH_REMATCH"),
                           QStringLiteral("BASH_SOURCE"),  QStringLiteral("BASH_VERSINFO"),
                           QStringLiteral("COMP_WORDS"),   QStringLiteral("DIRSTACK"),
                           QStringLiteral("FUNCNAME"),     QStringLiteral("GROUPS"),
                           QStringLiteral("MAPFILE"),      QStringLiteral("PIPESTATUS")};
    // "X=(…)", and every "X[…" anywhere, quoted or not: "X[0]=1", "printf -v 'X[0]'",
    // "read 'X[0]'", "${X[0]=…}" all make X an array.
    static const QRegularExpression list(QStringLiteral("([A-Za-z_][A-Za-z0-9_]*)(\\+?=\\(|\\[)"));
    // coproc makes its name an array of descriptors; the word after it is a name only before
    // a compound command ("coproc cat" runs cat as COPROC), so both count.
    static const QRegularExpression coproc(
        QStringLiteral("(?<![A-Za-z0-9_-])coproc\\s+([A-Za-z_][A-Za-z0-9_]*)?"));
    for (auto found = coproc.globalMatch(text); found.hasNext();) {
        names.insert(QStringLiteral("COPROC"));
        if (const QString name = found.next().captured(1); !name.isEmpty())
            names.insert(name);
    }
    static const QRegularExpression takers(
        QStringLiteral("(?<![A-Za-z0-9_-])(mapfile|readarray|read\\s[^;&|\\n]*-[A-Za-z]*a|"
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

QSet<QString> functionNames(const QString& text) {
    static const QRegularExpression definition(
        QStringLiteral("(?<![^\\s;&|(){}])(?:function\\s+([^\\s;&|(){}=]+)|([^\\s;&|(){}=$`'\"]+)"
                       "\\s*\\(\\s*\\))"));
    QSet<QString> names;
    for (auto found = definition.globalMatch(text); found.hasNext();) {
        const QRegularExpressionMatch match = found.next();
        names.insert(unquoted(match.captured(1).isEmpty() ? match.captured(2) : match.captured(1)));
    }
    return names;
}

QString zshOption(const QString& text) {
    static const QRegularExpression option(QStringLiteral(
        "(?<![A-Za-z0-9_-])(setopt|unsetopt|emulate|set\\s+[-+]o|options\\[)[^;&|\\n]*"));
    return option.match(text).captured().trimmed();
}

}  // namespace ShellTemplateNames
