#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <variant>

#include "Actions/ShellCommand.h"
#include "LoginShells.h"
#include "support/Files.h"

// Values reach more readers than the words they stand in: names bash fills itself, a second
// shell's environment, a script nobody can read before it runs, zsh's patterns and flags, the
// shell flock and script start, programs that hand a word to a shell, the names a pattern
// matches, a file the template writes and then runs. What the reader cannot show free of
// values is refused; what people write with ordinary values runs.

namespace {

using Reason = ShellCommand::Refusal::Reason;

// A folder for a template to run in: files its programs read, a tar archive, and `names` a
// pattern made from a value may match ("-ocanary" is sort's output file).
void prepare(const QString& folder, const QStringList& names = {}) {
    writeFile(folder + "/x", "x\n");
    writeFile(folder + "/x.xml", "<a/>\n");
    writeFile(folder + "/notes.txt", "Fix eins\nzwei\nFix drei\n");
    writeFile(folder + "/docs/a.txt", "ein Wort\n");
    for (const QString& name : names)
        writeFile(folder + "/" + name);
    QProcess tar;
    tar.setWorkingDirectory(folder);
    tar.start("tar", {"-cf", "t.tar", "x"});
    ASSERT_TRUE(tar.waitForFinished(5000));
}

}  // namespace

// Each row is refused, naming the placeholder and the piece of the template; `tried`: run as
// written, without the reader, in the sandbox, the program creates the canary, so the row is a
// value that runs there. crontab and at are not installed where the tests run.
TEST(ShellHiddenReadersTest, ValuesTheReaderCannotShowFreeAreRefused) {
    const QString element = "a[$(touch canary)]";
    const QString code = "touch canary";
    struct Case {
        QString text;
        QString value;
        Reason reason;
        QString construct;
        bool tried = true;
        QStringList environment = {};
        QStringList names = {};
    };
    const Case cases[] = {
        // names bash fills itself from what commands got
        {"read -r <<< {{a}}; (( REPLY > 10 ))", element, Reason::throughVariable, "((…))"},
        {"[[ {{a}} =~ ^(.*)\\.(.*)$ ]] && echo $(( BASH_REMATCH[1] + 1 ))", element + ".x",
         Reason::throughVariable, "$((…))"},
        {"printf '%s' {{a}} >/dev/null; echo $(( $_ * 2 ))", element, Reason::throughVariable,
         "$((…))"},
        {"set -- -x {{a}}; while getopts x: o; do (( OPTARG )); done", element,
         Reason::throughVariable, "((…))"},
        {"bash -c 'sort \"${!#}\" x' _ {{a}}", "-ocanary", Reason::option, "\"${!#}\""},
        {"bash -c 'eval \"$BASH_ARGV\"' _ {{a}}", code, Reason::throughVariable, "eval"},
        // lines, pieces and trimmed text of a value that read, mapfile and xargs take
        {"read -r x <<< {{a}}; sort \"$x\" x", "  -ocanary", Reason::option, "\"$x\""},
        {"read x <<< {{a}}; sort \"$x\" x", "\\-ocanary", Reason::option, "\"$x\""},
        {"read -r x y <<< {{a}}; sort \"$y\" x", "x -ocanary", Reason::derivedOption, "\"$y\""},
        {"echo {{a}} | while IFS= read -r l; do sort \"$l\" x; done", "x\n-ocanary", Reason::option,
         "\"$l\""},
        {"mapfile -t l <<< {{a}}; sort \"${l[1]}\" x", "x\n-ocanary", Reason::option,
         "\"${l[1]}\""},
        {"echo {{a}} | xargs -I{} sort {} x", "x\n-ocanary", Reason::option, "{}"},
        // a word split off a value, into a loop's name, an array, a function's arguments
        {"x={{a}}; for f in $x; do sort \"$f\" x; done", "x -ocanary", Reason::option, "\"$f\""},
        {"x={{a}}; l=($x); sort \"${l[1]}\" x", "x -ocanary", Reason::option, "\"${l[1]}\""},
        {"s() { sort \"$2\" x; }; x={{a}}; s $x", "x -ocanary", Reason::derivedOption, "\"$2\""},
        {"sort() { command sort \"$@\"; }; sort {{a}} x", "-ocanary", Reason::derivedOption,
         "\"$@\""},
        // what a file brings back into a name
        {"echo {{a}} > f; y=$(cat f); eval \"$y\"", code, Reason::throughVariable, "eval"},
        {"echo {{a}} > f; echo \"$(cat f)\" | sh", code, Reason::evaluated, "sh"},
        // date's names of days, which arithmetic reads as variables
        {"Monday={{a}}; echo $(( $(date -d 2024-01-01 +%A) + 1 ))", element,
         Reason::throughVariable, "$((…))"},
        // a second shell's arithmetic on what the template exports or sets for it
        {"N={{a}} bash -c 'echo $(( N * 2 ))'", element, Reason::throughVariable, "$((…))"},
        {"export N={{a}}; bash -c 'for ((i = 0; i < N; i++)); do :; done'", element,
         Reason::throughVariable, "((…))"},
        {"set -a; N={{a}}; bash -c '[[ $N -gt 1 ]]'", element, Reason::throughVariable,
         "[[ … -gt … ]]"},
        {"find . -maxdepth 0 -exec env N={{a}} bash -c 'echo $(( N ))' \\;", element,
         Reason::throughVariable, "$((…))"},
        // a script from the input, a descriptor or a process substitution
        {"bash -s -- {{a}} <<'EOF'\necho $(( $1 ))\nEOF", element, Reason::throughVariable,
         "$((…))"},
        {"bash -s {{a}} <<< 'echo $(( $1 + 1 ))'", element, Reason::throughVariable, "$((…))"},
        {"bash /dev/stdin {{a}} <<< 'echo $(( $1 ))'", element, Reason::throughVariable, "$((…))"},
        {"source /dev/stdin {{a}} <<< 'echo $(( $1 ))'", element, Reason::throughVariable,
         "$((…))"},
        {"echo 'echo $(( $1 ))' | bash -s {{a}}", element, Reason::unknownCommand, "bash -s"},
        {"bash <(echo 'sort \"$1\" x') {{a}}", "-ocanary", Reason::unknownCommand, "bash <(…)"},
        {". <(echo 'echo $(( $1 ))') {{a}}", element, Reason::unknownCommand, ". <(…)"},
        // zsh reads a word as a pattern, splits it or runs flags on it
        {"zsh -c 'print -r -- $~1' _ {{a}}", "*(e:touch canary:)", Reason::evaluated, "$~"},
        {"zsh -c 'sort $=1' _ {{a}}", "x -ocanary", Reason::evaluated, "$="},
        {"zsh -c 'setopt globsubst; print -r -- $1' _ {{a}}", "*(e:touch canary:)",
         Reason::shellOption, "setopt globsubst"},
        {"zsh -o globsubst -c 'print -r -- $1' _ {{a}}", "*(e:touch canary:)", Reason::shellOption,
         "zsh -o"},
        // flock and script run the user's shell, su hands the words after "--" to one
        {"f={{a}} flock l -c 'sort \"$f\" x'",
         "-ocanary",
         Reason::option,
         "\"$f\"",
         true,
         {"SHELL=/bin/bash"}},
        {"export C={{a}}; script -qc 'echo $(( C ))' /dev/null",
         element,
         Reason::throughVariable,
         "$((…))",
         true,
         {"SHELL=/bin/bash"}},
        {"export f={{a}}; flock l -c 'print -r -- $~f'",
         "*(e:touch canary:)",
         Reason::evaluated,
         "$~",
         true,
         {"SHELL=/usr/bin/zsh"}},
        {"printf '%s\\n' {{a}} | flock l -c sh",
         code,
         Reason::evaluated,
         "sh",
         true,
         {"SHELL=/bin/bash"}},
        {"su root -- -c {{a}}", code, Reason::evaluated, "su -c"},
        // programs that hand an option's word to a shell
        {"tar -I 'gzip -{{a}}' -cf t.tgz x", "1;touch canary;", Reason::evaluated, "tar -I"},
        {"tar cIf {{a}} t.tgz x", "gzip;touch canary;", Reason::evaluated, "tar -I"},
        {"c={{a}}; tar -xf t.tar --to-command \"$c\"", code, Reason::throughVariable,
         "tar --to-command"},
        {"tar -cf u.tar --checkpoint=1 --checkpoint-action=exec={{a}} x", code, Reason::evaluated,
         "tar --checkpoint-action"},
        {"strace -qqf -o {{a}} true", "|touch canary", Reason::readAsCommand, "{{a}}"},
        {"strace -qqf -o{{a}} true", "|touch canary", Reason::evaluated, "strace -o"},
        {"strace -qqfo {{a}} true", "|touch canary", Reason::readAsCommand, "{{a}}"},
        {"echo {{a}} | xmllint --shell x.xml", "save canary", Reason::evaluated, "xmllint"},
        // a value outside quotes is a pattern, which may match any name of the folder
        {"x={{a}}; sort $x", "*", Reason::derivedOption, "$x", true, {}, {"-ocanary"}},
        {"x={{a}}; tar -cf u.tar $x",
         "*",
         Reason::derivedOption,
         "$x",
         true,
         {},
         {"--checkpoint=1", "--checkpoint-action=exec=touch canary"}},
        // a file the template writes with a value and then runs
        {"echo {{a}} > s.sh; bash s.sh", code, Reason::evaluated, "bash"},
        {"d=.; echo {{a}} > \"$d/s.sh\"; bash \"$d/s.sh\"", code, Reason::evaluated, "bash"},
        {"echo 'echo $(( N ))' > s.sh; N={{a}} bash s.sh", element, Reason::unknownCommand,
         "bash s.sh"},
        {"echo {{a}} > s.sh; chmod +x s.sh; ./s.sh", code, Reason::evaluated, "s.sh"},
        {"crontab -l > c; echo \"0 9 * * * notify-send {{a}}\" >> c; crontab c", "$(" + code + ")",
         Reason::evaluated, "crontab", false},
        {"echo {{a}} > s; at -f s now", code, Reason::evaluated, "at", false},
    };
    for (const Case& c : cases) {
        expectRefused(c.text, c.value, c.reason, c.construct);
        if (!c.tried)
            continue;
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        prepare(folder.path(), c.names);
        runSandboxed(ShellCommand::display(c.text, {{"a", c.value}}), folder.path(), c.environment);
        EXPECT_TRUE(QFile::exists(folder.filePath("canary")))
            << c.text.toStdString() << " did not run " << c.value.toStdString();
    }
}

// Templates people write that were refused for a value that never reaches what was feared:
// set and its "--", a process substitution's path, read's prompt, a count or a date computed
// from a value, find's and grep's names, a suffix removed, an associative array's key, a
// function of the template's own. Each runs in every login shell with the value as data.
TEST(ShellHiddenReadersTest, OrdinaryTemplatesRunInEveryLoginShell) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    prepare(folder.path());
    const QString canary = folder.filePath("canary");
    struct Case {
        QString text;
        QString value;
        QString expected;
    };
    const Case cases[] = {
        {"set -- {{a}} x; printf '[%s]' \"$@\"", "-x", "[-x][x]"},
        {"mapfile -t z < <(grep -- {{a}} notes.txt); printf '%s|' \"${z[@]}\"", "Fix",
         "Fix eins|Fix drei|"},
        {"IFS= read -r z < <(head -1 {{a}}); printf '%s' \"$z\"", "notes.txt", "Fix eins"},
        {"read -r -p {{a}} z <<< ja; printf '%s' \"$z\"", "Name: ", "ja"},
        {"echo $(( ($(date -d {{a}} +%s) - $(date -d 2024-01-01 +%s)) / 86400 ))", "2024-01-03",
         "2\n"},
        {"echo $(( $(wc -l < {{a}}) + 1 ))", "notes.txt", "4\n"},
        {"n=$(grep -c {{a}} notes.txt); (( n > 1 )) && echo ja", "Fix", "ja\n"},
        {"find . -name {{a}} -print0 | xargs -0 cat", "a.txt", "ein Wort\n"},
        {"grep -l {{a}} *.txt | xargs wc -l", "zwei", "3 notes.txt\n"},
        {"find {{a}} -name '*.txt' | xargs cat", "docs", "ein Wort\n"},
        {"find {{a}} -name '*.txt' | while read -r f; do wc -w < \"$f\"; done", "docs", "2\n"},
        {"for f in {{a}}; do touch \"${f%.jpg}-klein.jpg\"; done; ls *-klein.jpg", "foto.jpg",
         "foto-klein.jpg\n"},
        {"declare -A m=([rot]=1); k={{a}}; printf '[%s]' \"${m[$k]:-x}\"", "blau", "[x]"},
        {"declare -A m=([rot]=1); printf '[%s]' \"${m[{{a}}]:-x}\"", "rot", "[1]"},
        {"greet() { printf 'Hallo %s' \"$1\"; }; greet {{a}}", "-Max", "Hallo -Max"},
    };
    for (const Case& c : cases) {
        const auto script = ShellCommand::script(c.text, {{"a", c.value}});
        ASSERT_TRUE(script) << c.text.toStdString() << " with " << c.value.toStdString();
        for (const char* shell : shells) {
            EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(),
                      c.expected.toStdString())
                << shell << ": " << c.text.toStdString();
            EXPECT_FALSE(QFile::exists(canary)) << shell << ": " << c.text.toStdString();
            QFile::remove(folder.filePath("foto-klein.jpg"));
        }
    }
}
