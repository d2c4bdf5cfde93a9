#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <variant>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "LoginShells.h"
#include "support/Files.h"

// The reader lets a value stand only where it knows every way bash treats it: what people
// ordinarily write runs with any value as data, and a value that reaches a program nobody
// can name beforehand or a construct the reader does not follow is refused.

namespace {

using Reason = ShellCommand::Refusal::Reason;

// Stand-ins for the programs the templates call: each prints its arguments, one per
// bracket, so that a value arriving as anything but one piece of data shows.
const char* const programs[] = {"git", "grep", "curl",  "find", "rsync", "pandoc",     "docker",
                                "gcc", "ls",   "touch", "cp",   "tar",   "notify-send"};

}  // namespace

TEST(ShellKnownProgramsTest, OrdinaryTemplatesRunInEveryLoginShellWithTheValueAsData) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString canary = folder.filePath("canary");
    const QString bin = folder.filePath("bin");
    for (const char* program : programs) {
        writeFile(bin + "/" + program, "#!/bin/sh\nprintf '[%s]' \"$@\"\n");
        QFile(bin + "/" + program).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
    }
    // "%" stands for the value in the expected output.
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"git commit -m {{v}} --author=\"{{v}} <{{v}}>\"", "[commit][-m][%][--author=% <%>]"},
        {"grep -rn {{v}} --include=*.{{v}} .", "[-rn][%][--include=*.%][.]"},
        {"curl -s {{v}} -o {{v}} --max-time={{v}}", "[-s][%][-o][%][--max-time=%]"},
        {"find ~/Downloads -name {{v}} -mtime -{{v}}", "[/home/t/Downloads][-name][%][-mtime][-%]"},
        {"rsync -av {{v}} /media/backup/ --exclude={{v}}", "[-av][%][/media/backup/][--exclude=%]"},
        {"git log {{v}} --since={{v}} --oneline", "[log][%][--since=%][--oneline]"},
        {"pandoc {{v}} -o out.pdf --metadata=title:{{v}}", "[%][-o][out.pdf][--metadata=title:%]"},
        {"docker run --rm {{v}} --name={{v}}", "[run][--rm][%][--name=%]"},
        {"gcc {{v}} -o{{v}}", "[%][-o%]"},
        {"ls \"$HOME\" --color={{v}}", "[/home/t][--color=%]"},
        {"touch -d {{v}} notiz.txt", "[-d][%][notiz.txt]"},
        {"declare -A farbe=([rot]=1); printf '[%s]' \"${farbe[{{v}}]}\"", "[]"},
        // more of the kind: an earlier word that expands, then an option holding a value
        {"git -C \"$HOME\" log --author={{v}} -n 5", "[-C][/home/t][log][--author=%][-n][5]"},
        {"notify-send \"$(printf Erinnerung)\" {{v}} --icon={{v}}", "[Erinnerung][%][--icon=%]"},
        {"cp \"$HOME/notiz\" {{v}} --backup={{v}}", "[/home/t/notiz][%][--backup=%]"},
        {"tar -czf \"$HOME/b.tgz\" {{v}} --exclude={{v}}", "[-czf][/home/t/b.tgz][%][--exclude=%]"},
        {"grep -c {{v}} \"$HOME/log\" --color={{v}}", "[-c][%][/home/t/log][--color=%]"},
    };
    // A value the model might fill in, and values that run something when bash parses them.
    const QStringList values = {"Max Mustermann", "$(touch " + canary + ")",
                                "`touch " + canary + "` it's \"so\"", "a;touch " + canary};
    for (const char* shell : shells) {
        for (const Case& c : cases) {
            for (const QString& value : values) {
                const auto script = ShellCommand::script(
                    QStringLiteral("PATH=%1:$PATH HOME=/home/t; ").arg(bin) + c.text,
                    {{"v", value}});
                ASSERT_TRUE(script) << c.text;
                const QString expected = QString::fromUtf8(c.expected).replace("%", value);
                EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(),
                          expected.toStdString())
                    << shell << ": " << c.text << " with " << value.toStdString();
                EXPECT_FALSE(QFile::exists(canary)) << shell << ": " << c.text;
                QFile::remove(canary);
            }
        }
    }
}

// Each row ran a value (as an option or as code) in every login shell before: a value now
// stands only where the reader knows what bash does with it, and the refusal names the
// placeholder and the piece of the template.
TEST(ShellKnownProgramsTest, ValuesThatReachWhatTheReaderDoesNotKnowAreRefused) {
    const QString option = "--output=/tmp/canary";
    const QString list = "([$(touch /tmp/canary)]=1)";
    const QString element = "a[$(touch /tmp/canary)]";
    const QString code = "touch /tmp/canary";
    struct Case {
        QString text;
        QString value;
        Reason reason;
        QString construct;
    };
    const Case cases[] = {
        // a prefix that comes to nothing, brace expansion, a line continuation
        {"git log $\"\"{{a}}", option, Reason::option, "$\"\"{{a}}"},
        {"git log \"\"$\"\"{{a}}", option, Reason::option, "\"\"$\"\"{{a}}"},
        {"git log $'\\c@'{{a}}", option, Reason::option, "$'\\c@'{{a}}"},
        {"git log \"\\\n\"{{a}}", option, Reason::option, "\"\"{{a}}"},
        {"git log $\"{{a}}\"", option, Reason::unmodelled, "$\"…\""},
        {"git log ${{a}}", option, Reason::unmodelled, "${{a}}"},
        {"git log {,}{{a}}", option, Reason::option, "{,}{{a}}"},
        {"git log {\"\",}{{a}}", option, Reason::option, "{\"\",}{{a}}"},
        {"git log {{{a}},}", option, Reason::option, "{{{a}},}"},
        // a later element of a brace expansion is a word of its own after the first
        {"sort -k {1,{{a}}} notizen.txt", "-o/tmp/canary", Reason::option, "{1,{{a}}}"},
        {"sort -u \\\n{{a}}", option, Reason::option, "{{a}}"},
        {"git -C . log \\\n{{a}}", option, Reason::option, "{{a}}"},
        // bash joins the lines before it reads an operator: ">\⏎&" is ">&"
        {"echo hi >\\\n&{{a}}", element, Reason::unmodelled, ">&"},
        // a value read back as words
        {"echo {{a}} > f; git log $(cat f)", option, Reason::derivedOption, "$(cat f)"},
        {"echo {{a}} > f; git log $(< f)", option, Reason::derivedOption, "$(< f)"},
        {"echo {{a}} > f; xargs -a f git log", option, Reason::derivedOption, "xargs -a f git log"},
        {"echo {{a}} > f; xargs --arg f git log", option, Reason::derivedOption,
         "xargs --arg f git log"},
        {"echo {{a}} > f; xargs git log < f", option, Reason::derivedOption, "xargs git log"},
        {"echo {{a}} | sort $(cat)", option, Reason::derivedOption, "$(cat)"},
        {"echo {{a}} | xargs -d, git log", "x," + option, Reason::option, "xargs -d, git log"},
        // a declaration of a name that is an array
        {"X[0]=1; declare X={{a}}", list, Reason::arithmetic, "declare X="},
        {"printf -v 'X[0]' 1; declare X={{a}}", list, Reason::arithmetic, "declare X="},
        {"read 'X[0]' <<< 1; declare X={{a}}", list, Reason::arithmetic, "declare X="},
        {": ${X[0]=1}; declare X={{a}}", list, Reason::arithmetic, "declare X="},
        {"coproc X { :; }; declare X={{a}}", list, Reason::arithmetic, "declare X="},
        {"X[0]=1; typeset X={{a}}", list, Reason::arithmetic, "typeset X="},
        {"f() { X[0]=1; local X={{a}}; }; f", list, Reason::arithmetic, "local X="},
        // a name's subscript, quoted
        {"x={{a}}; unset 'arr[x]'", element, Reason::throughVariable, "unset"},
        {"x={{a}}; unset -v \"arr[x]\"", element, Reason::throughVariable, "unset"},
        // a shell option the reader does not follow
        {"shopt -s extdebug\nf() { eval \"${BASH_ARGV[0]}\"; }; f {{a}}", code, Reason::shellOption,
         "shopt -s extdebug"},
        {"shopt -s extdebug\nf() { (( BASH_ARGV[0] )); }; f {{a}}", element,
         Reason::throughVariable, "((…))"},
        {"shopt -s expand_aliases\nalias b=bash\nb <<< {{a}}", code, Reason::shellOption,
         "shopt -s expand_aliases"},
        // a shell's script through a path the reader does not name
        {"bash /dev/fd/3 3<<< {{a}}", code, Reason::evaluated, "bash"},
        {"bash /proc/self/fd/3 3<<< {{a}}", code, Reason::evaluated, "bash"},
        {"bash /proc/$$/fd/0 <<< {{a}}", code, Reason::evaluated, "bash"},
        {"bash /dev//stdin <<< {{a}}", code, Reason::evaluated, "bash"},
        {"bash /dev/./stdin <<< {{a}}", code, Reason::evaluated, "bash"},
        // a program known only when it runs
        {"$BASH <<< {{a}}", code, Reason::unknownCommand, "$BASH"},
        {"\"$BASH\" -s <<< {{a}}", code, Reason::unknownCommand, "$BASH"},
        {"/proc/self/exe <<< {{a}}", code, Reason::unknownCommand, "/proc/self/exe"},
        {"b=bash; $b <<< {{a}}", code, Reason::unknownCommand, "$b"},
        {"\"$(command -v bash)\" <<< {{a}}", code, Reason::unknownCommand, "$(command -v bash)"},
        {"\"$(command -v bash)\" -c {{a}}", code, Reason::unknownCommand, "$(command -v bash)"},
        {"`which sh` <<< {{a}}", code, Reason::unknownCommand, "`which sh`"},
        {"/bin/s[h] <<< {{a}}", code, Reason::unknownCommand, "/bin/s[h]"},
        {"alias b=bash; b {{a}}", code, Reason::unknownCommand, "b"},
        {"$EDITOR {{a}}", code, Reason::unknownCommand, "$EDITOR"},
        {"x={{a}}; $SHELL -s \"$x\"", code, Reason::unknownCommand, "$SHELL"},
        {"X={{a}} $cmd", code, Reason::unknownCommand, "$cmd"},
        {"{{b}} {{a}}", code, Reason::unknownCommand, "{{b}}"},
        // programs that read code from their input, as a shell does
        {"echo {{a}} | python3", code, Reason::evaluated, "python3"},
        {"echo {{a}} | busybox sh", code, Reason::evaluated, "sh"},
        {"echo {{a}} | sqlite3 notizen.db", ".shell " + code, Reason::evaluated, "sqlite3"},
        {"mapfile -C eval -c 1 <<< {{a}}", code, Reason::evaluated, "mapfile"},
        {"echo {{a}} | su -c sh", code, Reason::evaluated, "su"},
        {"echo {{a}} | watch sh", code, Reason::evaluated, "sh"},
        {"echo {{a}} | env -S 'bash -s'", code, Reason::unknownCommand, "env -S"},
        {"f() { sh; }; echo {{a}} | f", code, Reason::evaluated, "sh"},
        {"mkfifo p; sh < p & echo {{a}} > p; wait", code, Reason::evaluated, "sh"},
        {"cp /dev/stdin f <<< {{a}}; git log $(cat f)", option, Reason::derivedOption, "$(cat f)"},
    };
    for (const Case& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.value}, {"b", "x"}});
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        ASSERT_TRUE(refusal) << c.text.toStdString() << " ran";
        EXPECT_EQ(refusal->reason, c.reason) << c.text.toStdString();
        EXPECT_EQ(refusal->placeholders, QStringList{"a"}) << c.text.toStdString();
        EXPECT_EQ(refusal->construct.toStdString(), c.construct.toStdString())
            << c.text.toStdString();
    }
}

namespace {

// Lines are joined only where bash joins them: a backslash before a newline stays inside '…',
// $'…', a comment and a quoted here-document, so templates that use it there run as written.
TEST(ShellKnownProgramsTest, LinesAreJoinedOnlyWhereBashJoinsThem) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"printf '%s\\n' {{v}} | sed '1a\\\nnext'", "%\nnext\n"},
        {"printf '%s|' {{v}} $'a\\\nb'", "%|a\\\nb|"},
        {"printf '%s|' {{v}}; cat <<'EOF'\na\\\nb\nEOF\n", "%|a\\\nb\n"},
        {"printf '%s|' {{v}} # \\\nprintf x", "%|x"},
        {"printf '%s|' \"{{v}}\\\n\" \\\n ok", "%|ok|"},
    };
    const QString value = "Max $(touch " + folder.filePath("canary") + ")";
    for (const char* shell : shells) {
        for (const auto& c : cases) {
            const auto script = ShellCommand::script(c.text, {{"v", value}});
            ASSERT_TRUE(script) << c.text;
            EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(),
                      QString::fromUtf8(c.expected).replace("%", value).toStdString())
                << shell << ": " << c.text;
            EXPECT_FALSE(QFile::exists(folder.filePath("canary"))) << shell << ": " << c.text;
        }
    }
}

// A refusal whose piece the reader could not name still reads as a whole sentence.
TEST(ShellKnownProgramsTest, ARefusalWithoutItsPieceStillReadsAsASentence) {
    const struct {
        Reason reason;
        QString message;
    } cases[] = {
        {Reason::unmodelled,
         "Der Befehl wurde nicht ausgeführt: „{{a}}“ steht in einem Teil des Befehls – das kann "
         "Tavrin nicht sicher prüfen. Setz den Platzhalter dort ein, wo er nur Text ist, etwa als "
         "Argument eines Befehls."},
        {Reason::shellOption,
         "Der Befehl wurde nicht ausgeführt: Eine Einstellung der Shell ändert, wie die Shell den "
         "Befehl liest – wohin der Wert von „{{a}}“ dann gelangt, kann Tavrin nicht sicher "
         "prüfen. Lass die Einstellung weg."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellCommand::refusalMessage({c.reason, {"a"}, {}}), c.message);
}

}  // namespace
