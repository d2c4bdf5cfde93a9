#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <iostream>
#include <variant>

#include "Actions/ShellCommand.h"
#include "Actions/ShellProgramOptions.h"
#include "LoginShells.h"
#include "support/Files.h"

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
QStringList optionPartTokens(const QString& part) {
    QStringList tokens;
    QString current;
    int angles = 0;
    for (const QChar c : part) {
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
void readOptionPart(const QString& part, bool singleDashLong, bool inLine,
                    QHash<QString, HelpOption>& found) {
    static const QRegularExpression name(QStringLiteral("^--?[A-Za-z0-9?][A-Za-z0-9_.-]*"));
    // "-c,--card N" or "-t|--type T": a comma or bar right before the next option parts them
    const QStringList tokens =
        optionPartTokens(QString(part)
                             .remove(QStringLiteral("[no-]"))
                             .replace(QStringLiteral(",-"), ", -")
                             .replace(QStringLiteral("|-"), ", -"));  // "-v|--volume FACTOR"
    QList<std::pair<QString, int>> aliases;
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
            static const QRegularExpression capitalised(QStringLiteral("^[A-Z][a-z]+$"));
            static const QRegularExpression prose(QStringLiteral("^[a-z][a-z-]*[.,;:]?$"));
            int plainWords = 0;
            for (qsizetype j = i + 1; j < tokens.size() && !isOptionToken(tokens[j]); ++j) {
                const QString& next = tokens[j];
                if (inLine && j == i + 1 && capitalised.match(next).hasMatch())
                    break;  // "--flag Disable …": a description after a single space
                if ((!singleDashLong && optional.match(next).hasMatch()) ||
                    nested.match(next).hasMatch() || next.startsWith(QLatin1Char('(')) ||
                    next == QLatin1String(":") || next == QLatin1String("or") ||
                    next == QLatin1String("and"))
                    break;  // "-j [N]": an optional word; "[--reason …]"; "-W arg : …"; a list
                ++words;
                plainWords += prose.match(next).hasMatch() ? 1 : 0;
                if (next.endsWith(QLatin1Char(',')) || next.startsWith(QLatin1Char('<')) ||
                    next.startsWith(QLatin1Char('[')))
                    break;  // the next option, or the description after "<arg>"
            }
            // a description after a single space ("--list and when a list of", "is true,",
            // "flag.")
            const QChar last = words > 0 ? tokens[i + words].back() : QChar();
            if (inLine &&
                (plainWords > 2 || (plainWords == words && words > 0 &&
                                    (last == QLatin1Char('.') ||
                                     (words > 1 && QStringLiteral(",;:").contains(last))))))
                words = 0;
        }
        if (!singleDashLong && !option.startsWith(QLatin1String("--")) && option.size() > 2 &&
            rest.isEmpty() && words == 0) {
            for (const QChar letter : option.mid(1))  // a bundle: "[-46AaCf]"
                found[QStringLiteral("-") + letter];
            continue;
        }
        aliases.append({option, words});
        // "-u --unit=UNIT": a letter and its long name, without a comma between them
        const bool longFollows = !singleDashLong && !option.startsWith(QLatin1String("--")) &&
                                 rest.isEmpty() && words == 0 && i + 1 < tokens.size() &&
                                 tokens[i + 1].startsWith(QLatin1String("--"));
        if (alias || longFollows)
            continue;
        // "--filter=RULE, -f": what one of them takes, all take
        for (const auto& each : std::as_const(aliases))
            words = std::max(words, each.second);
        for (const auto& each : std::as_const(aliases)) {
            HelpOption& entry = found[each.first];
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
            readOptionPart(parts[0], singleDashLong, true, found);
            // "-n NUM    --server-num=NUM    server number": the long form after a gap
            if (parts.size() > 1 && parts[1].startsWith(QLatin1String("--")))
                readOptionPart(parts[1], singleDashLong, true, found);
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
                    readOptionPart(alternative.trimmed(), singleDashLong, false, found);
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
        {"tmux", {"tmux", "-?"}},
        // play and rec are sox under other names; rec asks for a sound card first.
        {"play", {"sox", "--help"}},
        {"rec", {"sox", "--help"}},
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

QString helpOnce(const QStringList& command) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    environment.insert("MANWIDTH", "200");
    environment.insert("GIT_PAGER", "cat");
    // tmux asks a server of its own, which may be gone before it answers: the client then says
    // only "server exited unexpectedly" (seen about once in 200 runs here). Asked again, the
    // next server answers.
    static const QTemporaryDir tmuxFolder;
    environment.insert("TMUX_TMPDIR", tmuxFolder.path());
    environment.remove("TMUX");
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

QString helpText(const QStringList& command) {
    QString help = helpOnce(command);
    for (int asked = 1; asked < 3 && command.first() == QLatin1String("tmux") &&
                        help.trimmed() == QLatin1String("server exited unexpectedly");
         ++asked)
        help = helpOnce(command);
    return help;
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
        // sudo's help names "-h" for help and for "-h host", which sudoers refuses, and
        // "--preserve-env=list", whose list is optional.
        {"sudo", {"-h", "--preserve-env"}},
        // "-c, -C NUM, --context[=NUM]": "-c" and "-u" are flags beside the letters that take
        // a number; sort's "-c, --check, --check=diagnose-first" and du's "--time=WORD" take
        // their word only glued to them.
        {"diff", {"-c", "-u"}},
        {"sort", {"-c", "-C", "--check"}},
        {"du", {"--time"}},
        // "--abbrev[=<n>]": the number only glued to it.
        {"git describe", {"--abbrev"}},
        // "[--mirror=<fetch|push>]": git takes that word only glued to the option.
        {"git remote", {"--mirror"}},
        // bash's help writes "-c command", but the command is the first operand, after any
        // options; it lists "--rcfile" and "--init-file" without the file each takes.
        {"bash", {"-c", "--rcfile", "--init-file"}},
        // "-m, --combine mix": "-m" is the long option with that word, a flag; one blank
        // parts "--endian little|big|swap" from its description.
        {"sox", {"-m", "-M", "-T", "--endian"}},
        {"play", {"-m", "-M", "-T", "--endian"}},
        {"rec", {"-m", "-M", "-T", "--endian"}},
        // "-q, --quiet=attach,personality": "-q", "-x" and "-Y" are flags that mean the long
        // option with that word; the long options whose word is optional ("--decode-fds[=path]"
        // beside "--decode-fds=SET") take it only glued to them.
        {"strace",
         {"-q", "-x", "-Y", "--quiet", "--absolute-timestamps", "--daemonize", "--decode-fds",
          "--strings-in-hex"}},
    };
    return table;
}

}  // namespace

TEST(ShellProgramTablesTest, OptionTablesAgreeWithTheInstalledProgramsHelp) {
    for (const ShellProgramOptions::Table& table : ShellProgramOptions::tables()) {
        const QString executable = table.program.section(QLatin1Char(' '), 0, 0);
        if (executable == QLatin1String("exec"))
            continue;  // bash's own: "-a NAME" is all it takes
        // dash has no help; "-o NAME" is the option POSIX gives a shell.
        if (executable == QLatin1String("sh") || executable == QLatin1String("dash"))
            continue;
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
        // A long option without words that begins another the table lists must be listed
        // too: the program takes it whole, where the table would take it for a prefix.
        for (auto option = help.cbegin(); option != help.cend(); ++option) {
            if (table.singleDashLong || option.key().size() < 4 ||
                !option.key().startsWith(QLatin1String("--")) || option->words != 0 ||
                table.arguments.contains(option.key()))
                continue;
            for (auto entry = table.arguments.cbegin(); entry != table.arguments.cend(); ++entry) {
                if (*entry > 0 && entry.key().startsWith(option.key()) &&
                    !ignored.contains(option.key())) {
                    wrong.append(QStringLiteral("%1 takes 0 and begins %2 (not in the table)")
                                     .arg(option.key(), entry.key()));
                    break;
                }
            }
        }
        wrong.sort();
        EXPECT_TRUE(wrong.isEmpty())
            << table.program.toStdString() << ": " << wrong.join("; ").toStdString();
    }
}

// Each row once let a value run, or stand where its program reads an option, in every login
// shell: an option's word the table got wrong, a runner walked wrongly or not at all, a
// program that reads code from its input behind options, versions or paths, a program the
// template maps to another.
TEST(ShellProgramTablesTest, ValuesBehindRunnersCodeReadersAndRemappedProgramsAreRefused) {
    using Reason = ShellCommand::Refusal::Reason;
    const QString option = "--output=/tmp/canary";
    const QString code = "touch /tmp/canary";
    const RefusedRow cases[] = {
        // options that take no word
        {"git shortlog -n {{a}}", option, Reason::option, "{{a}}"},
        {"git shortlog -sn {{a}}", option, Reason::option, "{{a}}"},
        {"git cherry-pick -s {{a}}", option, Reason::option, "{{a}}"},
        {"journalctl -n {{a}}", option, Reason::option, "{{a}}"},
        // runners
        {"echo x | xargs -l sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"ionice -t sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"unshare --wd /tmp sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"xvfb-run -w 1 sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"strace -O 1 sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"strace -q sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"strace --decode-fds sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"env - sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"sudo -s echo {{a}}", code, Reason::evaluated, "sudo -s"},
        {"sudo -i {{a}}", code, Reason::evaluated, "sudo -i"},
        {"echo {{a}} | sudo -s", code, Reason::evaluated, "sudo -s"},
        {"setpriv --reuid 1000 sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"fakeroot -s f sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"sg users -c {{a}}", code, Reason::evaluated, "sg"},
        {"watch -x sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"tmux new-session -d {{a}}", code, Reason::evaluated, "tmux new-session"},
        {"tmux -c {{a}}", code, Reason::evaluated, "tmux -c"},
        {"systemd-run --nice 5 sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"flatpak-spawn --host sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"pkexec --user root sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        // programs that read code from their input
        {"echo {{a}} | python3 -W ignore", code, Reason::evaluated, "python3"},
        {"echo {{a}} | python3 -X utf8", code, Reason::evaluated, "python3"},
        {"echo {{a}} | perl -I lib", code, Reason::evaluated, "perl"},
        {"echo {{a}} | node -r fs", code, Reason::evaluated, "node"},
        {"echo {{a}} | awk -v x=1 -f -", code, Reason::evaluated, "awk"},
        {"echo {{a}} | awk -F , -f /dev/stdin", code, Reason::evaluated, "awk"},
        {"echo {{a}} | python3.11", code, Reason::evaluated, "python3"},
        {"echo {{a}} | perl5.36.0", code, Reason::evaluated, "perl"},
        {"mawk -f - <<< {{a}}", code, Reason::evaluated, "mawk"},
        {"nawk -f /dev/stdin <<< {{a}}", code, Reason::evaluated, "nawk"},
        {"ex -s notiz.txt <<< {{a}}", code, Reason::evaluated, "ex"},
        {"vim -es notiz.txt <<EOF\n%s/x/{{a}}/\nwq\nEOF", code, Reason::evaluated, "vim"},
        {"echo {{a}} | make -f -", code, Reason::evaluated, "make"},
        {"make -f - <<EOF\nall:\n\techo {{a}}\nEOF", code, Reason::evaluated, "make"},
        {"bash //dev/stdin <<< {{a}}", code, Reason::evaluated, "bash"},
        {"bash ../../dev/stdin <<< {{a}}", code, Reason::evaluated, "bash"},
        {"echo {{a}} | tclsh8.6", "exec " + code, Reason::evaluated, "tclsh"},
        {"echo {{a}} | ruby3.1", code, Reason::evaluated, "ruby"},
        {"echo {{a}} | guile-3.0", code, Reason::evaluated, "guile"},
        {"echo {{a}} | python3.11-dbg", code, Reason::evaluated, "python3"},
        {"echo {{a}} | octave-cli", code, Reason::evaluated, "octave-cli"},
        {"echo {{a}} | sed -nf - notiz.txt", "e " + code, Reason::evaluated, "sed"},
        {"echo {{a}} | sed --fil=/dev/stdin notiz.txt", "e " + code, Reason::evaluated, "sed"},
        {"echo {{a}} | awk -f lib.awk -f -", code, Reason::evaluated, "awk"},
        {"echo {{a}} | socat - EXEC:sh", code, Reason::evaluated, "socat"},
        // runners that start the user's shell when given no command
        {"echo {{a}} | setarch x86_64", code, Reason::evaluated, "setarch"},
        {"echo {{a}} | unshare", code, Reason::evaluated, "unshare"},
        {"echo {{a}} | chroot /", code, Reason::evaluated, "chroot"},
        {"echo {{a}} | newgrp", code, Reason::evaluated, "newgrp"},
        {"echo {{a}} | ipython3", code, Reason::evaluated, "ipython3"},
        // options that take no word, or a word only glued to them
        {"diff -u {{a}} f", option, Reason::option, "{{a}}"},
        {"sort -c {{a}}", option, Reason::option, "{{a}}"},
        {"sort --check {{a}}", option, Reason::option, "{{a}}"},
        {"du --time {{a}}", option, Reason::option, "{{a}}"},
        {"git describe --abbrev {{a}}", "--version", Reason::option, "{{a}}"},
        // runners walked by abbreviated long options, as getopt_long takes them
        {"timeout --sig KILL 5 ed -s {{a}}", "!" + code, Reason::readAsCommand, "{{a}}"},
        {"nice --adj 5 ed -s {{a}}", "!" + code, Reason::readAsCommand, "{{a}}"},
        {"env --un X ed -s {{a}}", "!" + code, Reason::readAsCommand, "{{a}}"},
        {"stdbuf --out L ed -s {{a}}", "!" + code, Reason::readAsCommand, "{{a}}"},
        {"flock --time 5 l ed -s {{a}}", "!" + code, Reason::readAsCommand, "{{a}}"},
        // options that make a shell's command or a program's input code, cut short or whole
        // where the table took them for a prefix of another ("--login" of "--login-class")
        {"sudo --login {{a}}", code, Reason::evaluated, "sudo --login"},
        {"flatpak-spawn --sandbox sh -c {{a}}", code, Reason::evaluated, "sh -c"},
        {"rsync -a --compress {{a}} /backup/", "--rsh=" + code, Reason::option, "{{a}}"},
        {"rsync -a --checksum {{a}} /backup/", "--rsh=" + code, Reason::option, "{{a}}"},
        {"su --comm {{a}}", code, Reason::evaluated, "su -c"},
        {"script -q --comm {{a}} /dev/null", code, Reason::evaluated, "script -c"},
        {"env --sp {{a}}", code, Reason::unknownCommand, "env -S"},
        {"env -vS {{a}}", "sh -c '" + code + "'", Reason::unknownCommand, "env -S"},
        {"env -iS {{a}}", "sh -c '" + code + "'", Reason::unknownCommand, "env -S"},
        {"echo {{a}} | xargs --repl sh -c 'echo {}'", code, Reason::throughVariable, "xargs"},
        // xargs's letters bundled
        {"echo {{a}} | xargs -rI% sh -c 'echo %'", code, Reason::throughVariable, "xargs"},
        {"echo {{a}} > f; xargs -ra f git log", option, Reason::derivedOption,
         "xargs -ra f git log"},
        {"echo {{a}} | make --fil -", code, Reason::evaluated, "make"},
        {"echo {{a}} | curl -s --conf -", "output = /tmp/canary", Reason::readAsCommand,
         "curl --conf"},
        {"printf '%s\\n' {{a}} | tar -cf b.tar --files -", "-C/tmp", Reason::option, "tar --files"},
        // programs the template maps to another
        {"hash -p /bin/sh git; git {{a}}", code, Reason::unknownCommand, "git"},
        {"BASH_CMDS[git]=/bin/sh; git {{a}}", code, Reason::unknownCommand, "git"},
        {"coproc cat; declare COPROC={{a}}", "([$(touch /tmp/canary)]=1)", Reason::arithmetic,
         "declare COPROC="},
        // a shell's own options that take a word, read as each shell reads them
        {"bash -oc errexit {{a}}", code, Reason::evaluated, "bash -c"},
        {"bash -Oc extglob {{a}}", code, Reason::evaluated, "bash -c"},
        {"bash +Oc extglob {{a}}", code, Reason::evaluated, "bash -c"},
        {"sh -eoc errexit {{a}}", code, Reason::evaluated, "sh -c"},
        {"dash -oc errexit {{a}}", code, Reason::evaluated, "dash -c"},
        {"bash --init-file /dev/null -c {{a}}", code, Reason::evaluated, "bash -c"},
        {"bash --rcfile /dev/null -ic {{a}}", code, Reason::evaluated, "bash -c"},
        {"zsh --emulate sh -c {{a}}", code, Reason::evaluated, "zsh -c"},
        {"echo {{a}} | zsh --emulate sh", code, Reason::evaluated, "zsh"},
    };
    for (const RefusedRow& c : cases)
        expectRefused(c.text, c.value, c.reason, c.construct);
}

// A second shell's script is read as the template is, with each value where the parameter it
// is given as stands. Each row ran the value as a command, or as an option or operator of
// the program in the script, in every login shell.
TEST(ShellProgramTablesTest, ASecondShellsScriptReadsItsParametersAsTheTemplateReadsValues) {
    using Reason = ShellCommand::Refusal::Reason;
    const QString touch = "touch /tmp/canary";
    const RefusedRow cases[] = {
        {"sh -c 'ed -s \"$1\"' sh {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        {"sh -c 'sox \"$1\" out.wav' sh {{a}}", "|" + touch, Reason::readAsCommand, "\"$1\""},
        {"sh -c 'vim -es \"$1\"' sh {{a}}", "+!" + touch, Reason::readAsCommand, "\"$1\""},
        {"sh -c 'find \"$1\" -name \"*.log\" -delete' sh {{a}}", "!", Reason::expression, "\"$1\""},
        {"sh -c 'perl -ne print \"$1\"' sh {{a}}", touch + "|", Reason::readAsCommand, "\"$1\""},
        {"sh -c 'sort \"$1\" f' sh {{a}}", "-o/tmp/canary", Reason::option, "\"$1\""},
        {"env sh -c 'ed -s \"$1\"' sh {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        {"timeout 5 sh -c 'ed -s \"$1\"' sh {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        {"zsh -c 'ed -s \"$1\"' sh {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        {"echo {{a}} | xargs -I{} sh -c 'ed -s \"$1\"' sh {}", "!" + touch, Reason::readAsCommand,
         "\"$1\""},
        {"find . -name a.txt -exec sh -c 'ed -s \"$1\"' sh {{a}} \\;", "!" + touch,
         Reason::readAsCommand, "\"$1\""},
        {"sh -c 'ed -s \"$1\"' sh '{{a}}'", "!" + touch, Reason::readAsCommand, "\"$1\""},
        // a word that makes several parameters moves those after it
        {"x={{a}}; sh -c 'ed -s \"$2\"' sh $x notiz.txt", "a !touch${IFS}/tmp/canary",
         Reason::derivedOption, "\"$2\""},
        {"sh -c 'ed -s \"$2\"' sh {notiz.txt,{{a}}}", "!" + touch, Reason::readAsCommand, "\"$2\""},
        // su and runuser give the words after the user to the script of -c
        {"su -c 'ed -s \"$1\"' root x {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        {"su - root -c 'ed -s \"$1\"' -- x {{a}}", "!" + touch, Reason::readAsCommand, "\"$1\""},
        // a variable the script gets from its environment
        {"export f={{a}}; sh -c 'ed -s \"$f\"'", "!" + touch, Reason::readAsCommand, "\"$f\""},
        {"f={{a}} sh -c 'sort \"$f\" notiz.txt'", "-o/tmp/canary", Reason::option, "\"$f\""},
        {"env f={{a}} sh -c 'ed -s \"$f\"'", "!" + touch, Reason::readAsCommand, "\"$f\""},
        // the script evaluates its parameter once more
        {"bash -c 'eval \"$1\"' _ {{a}}", touch, Reason::throughVariable, "eval"},
        {"sh -c 'echo $(( $1 + 1 ))' sh {{a}}", "a[$(" + touch + ")]", Reason::throughVariable,
         "$((…))"},
    };
    for (const RefusedRow& c : cases)
        expectRefused(c.text, c.value, c.reason, c.construct);
}

// What people write with values that look like options where the program takes them as data
// (the words after a shell's script and awk's program, git log's -S and -G, sox's effects,
// the values of printf -v, an integer subscript): each runs in every login shell, and the
// value arrives as one word, as written.
TEST(ShellProgramTablesTest, OrdinaryTemplatesRunWithTheValueAsDataInEveryLoginShell) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString canary = folder.filePath("canary");
    const QString bin = folder.filePath("bin");
    // Stand-ins that print their arguments, one per bracket.
    for (const char* program : {"find", "convert", "magick", "git", "sox"}) {
        writeFile(bin + "/" + program, "#!/bin/sh\nprintf '[%s]' \"$@\"\n");
        QFile(bin + "/" + program).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
    }
    // "%" stands for the value in the expected output.
    const QStringList values = {"-2 hours", "-90", "--help", "$(touch " + canary + ")",
                                "-c;touch " + canary};
    const struct {
        const char* text;
        const char* expected;
        QStringList values;
    } cases[] = {
        {"find . -newermt {{v}}", "[.][-newermt][%]", values},
        {"convert bild.png -rotate {{v}} out.png", "[bild.png][-rotate][%][out.png]", values},
        {"magick bild.png -rotate {{v}} out.png", "[bild.png][-rotate][%][out.png]", values},
        {"python3 -c 'import sys; print(\"[\" + sys.argv[1] + \"]\", end=\"\")' {{v}}", "[%]",
         values},
        {"bash -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", values},
        {"sh -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", values},
        {"dash -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", values},
        {"zsh -fc 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", values},
        {"awk 'BEGIN { printf \"[%s]\", ARGV[1] }' {{v}}", "[%]", values},
        {"git log -S {{v}} -G {{v}}", "[log][-S][%][-G][%]", values},
        {"sox in.wav out.wav gain {{v}} trim 0 {{v}} pitch {{v}}",
         "[in.wav][out.wav][gain][%][trim][0][%][pitch][%]", values},
        {"printf -v zeile '[%s|%s]' {{v}} {{v}}; printf %s \"$zeile\"", "[%|%]", values},
        {"farben=(rot gruen blau); printf '[%s]' \"${farben[{{v}}]}\"", "[gruen]", {"1"}},
        {"farben=(rot gruen blau); printf '[%s]' \"${farben[{{v}}]}\"", "[blau]", {"-1"}},
    };
    for (const char* shell : shells) {
        for (const auto& c : cases) {
            for (const QString& value : c.values) {
                const auto script = ShellCommand::script(
                    QStringLiteral("PATH=%1:$PATH; ").arg(bin) + c.text, {{"v", value}});
                ASSERT_TRUE(script) << c.text << " with " << value.toStdString();
                EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(),
                          QString::fromUtf8(c.expected).replace("%", value).toStdString())
                    << shell << ": " << c.text << " with " << value.toStdString();
                EXPECT_FALSE(QFile::exists(canary)) << shell << ": " << c.text;
                QFile::remove(canary);
            }
        }
    }
}

// An abbreviated long option takes the words of the option it abbreviates, so the program
// behind a runner is the one the runner starts, and its option's word is data.
TEST(ShellProgramTablesTest, AbbreviatedLongOptionsTakeTheWordsOfTheirOption) {
    const char* const cases[] = {
        "date --da {{a}} +%F",
        "nice --adj 5 date -d {{a}}",
        "timeout --sig KILL 5 date -d {{a}}",
        "env --un X date -d {{a}}",
    };
    for (const char* text : cases) {
        const auto prepared = ShellCommand::prepare(text, {{"a", "-1 day"}});
        EXPECT_TRUE(std::holds_alternative<ShellCommand::Script>(prepared)) << text;
    }
}
