#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <iostream>

#include "Actions/ShellProgramOptions.h"

// The reader takes the word after an option as data only where the program does: each table
// is held against the installed program's own help.

namespace {

// How a help text says an option is used: alone (or with a value glued to it only), or
// followed by `words` words of its own.
struct HelpOption {
    int words = 0;
};

bool isOptionToken(const QString& token) {
    static const QRegularExpression option(QStringLiteral("^--?[A-Za-z0-9?]"));
    return option.match(token).hasMatch();
}

// The words of a help line's option part, an argument in angle brackets ("<file name>") kept
// as one.
QStringList specTokens(const QString& spec) {
    QStringList tokens;
    QString current;
    int angles = 0;
    for (const QChar c : spec) {
        if (c == QLatin1Char('<'))
            ++angles;
        else if (c == QLatin1Char('>') && angles > 0)
            --angles;
        if (c.isSpace() && angles == 0) {
            if (!current.isEmpty())
                tokens.append(std::exchange(current, {}));
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        tokens.append(current);
    return tokens;
}

// Reads one option part ("-d, --date=STRING", "-b bind_address", "--arg name value"):
// options joined by commas share what the last of them takes.
void readSpec(const QString& spec, bool singleDashLong, bool inLine,
              QHash<QString, HelpOption>& found) {
    static const QRegularExpression name(QStringLiteral("^--?[A-Za-z0-9?][A-Za-z0-9_.-]*"));
    const QStringList tokens = specTokens(QString(spec).remove(QStringLiteral("[no-]")));
    QStringList aliases;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        QString token = tokens[i];
        const bool alias = token.endsWith(QLatin1Char(','));
        if (alias)
            token.chop(1);
        if (!isOptionToken(token))
            continue;
        const QString option = name.match(token).captured();
        const QString rest = token.mid(option.size());
        int words = 0;
        if (rest.startsWith(QLatin1Char('='))) {
            words = 1;
        } else if (rest.isEmpty()) {
            static const QRegularExpression optional(QStringLiteral("^\\[[^\\]]*\\],?$"));
            static const QRegularExpression nested(QStringLiteral("^\\[--?[A-Za-z]"));
            static const QRegularExpression prose(QStringLiteral("^[a-z][a-z-]*[.,;:]?$"));
            int plainWords = 0;
            for (qsizetype j = i + 1; j < tokens.size() && !isOptionToken(tokens[j]); ++j) {
                const QString& next = tokens[j];
                if ((!singleDashLong && optional.match(next).hasMatch()) ||
                    nested.match(next).hasMatch() || next.startsWith(QLatin1Char('(')) ||
                    next == QLatin1String(":"))
                    break;  // "-j [N]": an optional word; "[--reason …]"; "-W arg : …"
                ++words;
                plainWords += prose.match(next).hasMatch() ? 1 : 0;
                if (next.endsWith(QLatin1Char(',')) || next.startsWith(QLatin1Char('<')) ||
                    next.startsWith(QLatin1Char('[')))
                    break;  // the next option, or the description after "<arg>"
            }
            if (inLine && plainWords > 2)
                words = 0;  // a description after a single space
        }
        if (!singleDashLong && !option.startsWith(QLatin1String("--")) && option.size() > 2 &&
            rest.isEmpty() && words == 0) {
            for (const QChar letter : option.mid(1))  // a bundle: "[-46AaCf]"
                found[QStringLiteral("-") + letter];
            continue;
        }
        aliases.append(option);
        // "-u --unit=UNIT": a letter and its long name, without a comma between them
        const bool longFollows = !singleDashLong && !option.startsWith(QLatin1String("--")) &&
                                 rest.isEmpty() && words == 0 && i + 1 < tokens.size() &&
                                 tokens[i + 1].startsWith(QLatin1String("--"));
        if (alias || longFollows)
            continue;
        for (const QString& each : std::as_const(aliases)) {
            HelpOption& entry = found[each];
            entry.words = std::max(entry.words, words);
        }
        aliases.clear();
    }
}

// The options a help text names, in the common formats: a line that begins with its options
// (GNU, git, curl, util-linux, find's lists) and bracketed options of a usage line ("[-b
// bind_address]", "[--exec-path[=<path>]]").
QHash<QString, HelpOption> parseHelp(const QString& help, bool singleDashLong) {
    QHash<QString, HelpOption> found;
    static const QRegularExpression descriptionGap(QStringLiteral("\\s{2,}|\\t"));
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('-'))) {
            const QStringList parts = trimmed.split(descriptionGap);
            readSpec(parts[0], singleDashLong, true, found);
            // "-n NUM    --server-num=NUM    server number": the long form after a gap
            if (parts.size() > 1 && parts[1].startsWith(QLatin1String("--")))
                readSpec(parts[1], singleDashLong, true, found);
        }
        for (qsizetype i = line.indexOf(QLatin1String("[-")); i >= 0;
             i = line.indexOf(QLatin1String("[-"), i + 1)) {
            int depth = 0;
            qsizetype end = i;
            for (; end < line.size(); ++end) {
                if (line[end] == QLatin1Char('['))
                    ++depth;
                else if (line[end] == QLatin1Char(']') && --depth == 0)
                    break;
            }
            for (const QString& alternative :
                 line.mid(i + 1, end - i - 1).split(QLatin1Char('|'))) {
                if (alternative.trimmed().startsWith(QLatin1Char('-')))
                    readSpec(alternative.trimmed(), singleDashLong, false, found);
            }
        }
    }
    return found;
}

// How to ask a program for its options where "--help" is not the way, or says too little.
QStringList helpCommand(const QString& program) {
    static const QHash<QString, QStringList> special = {
        {"ssh", {"ssh", "-?"}},
        {"perl", {"perl", "-h"}},
        {"strace", {"strace", "-h"}},
        {"curl", {"curl", "--help", "all"}},
        {"awk", {"awk", "-W", "usage"}},
        {"mawk", {"mawk", "-W", "usage"}},
        {"nawk", {"nawk", "-W", "usage"}},
        {"xclip", {"xclip", "-help"}},
        {"convert", {"convert", "-help"}},
        {"git", {"git", "--help"}},
        {"sg", {"man", "-P", "cat", "sg"}},
        {"tmux", {"tmux", "-?"}},
    };
    if (special.contains(program))
        return special.value(program);
    const QStringList words = program.split(QLatin1Char(' '));
    if (words.size() == 2 && words[0] == QLatin1String("git"))
        return {"git", words[1], "-h"};
    if (words.size() == 2 && words[0] == QLatin1String("tmux"))
        return {"tmux", "list-commands", words[1]};
    return {program, "--help"};
}

QString helpText(const QStringList& command) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    environment.insert("MANWIDTH", "200");
    environment.insert("GIT_PAGER", "cat");
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromUtf8(process.readAll());
}

// Options whose help is known to mislead the parser above, with the reason; each entry is an
// option left out of the comparison for that program.
const QHash<QString, QStringList>& exceptions() {
    static const QHash<QString, QStringList> table = {
        // perl's help writes "-Idirectory", but perl takes the next word when nothing is glued.
        {"perl", {"-I"}},
        // find's help lists "-regextype" without the word it takes; "-exec" and its kin take
        // a command up to ";" or "+", no fixed number of words.
        {"find", {"-regextype", "-exec", "-execdir", "-ok", "-okdir"}},
        // xclip's help names its options without the word each of these takes.
        {"xclip", {"-selection", "-target", "-d", "-display"}},
        // "-p, --indicator-style=slash": "-p" is the long option with that word, a flag.
        {"ls", {"-p"}},
        // mawk's "-W exec file" takes two words, every other "-W" one.
        {"awk", {"-W"}},
        {"mawk", {"-W"}},
        {"nawk", {"-W"}},
        // "[--mirror=<fetch|push>]": git takes that word only glued to the option.
        {"git remote", {"--mirror"}},
    };
    return table;
}

}  // namespace

TEST(ShellProgramTablesTest, OptionTablesAgreeWithTheInstalledProgramsHelp) {
    for (const ShellProgramOptions::Table& table : ShellProgramOptions::tables()) {
        const QString executable = table.program.section(QLatin1Char(' '), 0, 0);
        if (QStandardPaths::findExecutable(executable).isEmpty()) {
            std::cout << "[ skipped  ] " << table.program.toStdString()
                      << ": not installed here, its table is not checked\n";
            continue;
        }
        const QHash<QString, HelpOption> help =
            parseHelp(helpText(helpCommand(table.program)), table.singleDashLong);
        EXPECT_FALSE(help.isEmpty()) << table.program.toStdString() << ": no options in its help";
        const QStringList ignored = exceptions().value(table.program);
        QStringList wrong;
        for (auto option = help.cbegin(); option != help.cend(); ++option) {
            const int words = table.arguments.value(option.key());
            if (words != option->words && !ignored.contains(option.key()))
                wrong.append(QStringLiteral("%1 takes %2 (table: %3)")
                                 .arg(option.key())
                                 .arg(option->words)
                                 .arg(words));
        }
        wrong.sort();
        EXPECT_TRUE(wrong.isEmpty())
            << table.program.toStdString() << ": " << wrong.join("; ").toStdString();
    }
}
