#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "SandboxedRows.h"

// What only the run decides (whether a declaration took effect where a key is looked up) is
// not taken from the text: a subscript counts as arithmetic unless every run has made the
// array associative before.

namespace {

using Reason = ShellCommand::Refusal::Reason;

const QString element = "a[$(touch canary)]";
const QString argument = "argv[$(touch canary)]";

}  // namespace

TEST(ShellRunTimeStateTest, AKeyIsAWordOnlyWhereItsDeclarationHolds) {
    const SandboxedRow rows[] = {
        // a function's declaration is local to it
        {"f() { declare -A m; }; f; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        {"init() { declare -A m=([rot]=1); }; init; printf '%s' \"${m[{{a}}]:-x}\"", element,
         Reason::arithmetic, "${m[…]}"},
        {"k={{a}}; f() { declare -A m; }; f; echo \"${m[$k]:-x}\"", element,
         Reason::throughVariable, "m[…]"},
        // a subshell, a pipeline, the background
        {"(declare -A m); echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        {"declare -A m | cat; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        {"declare -A m & wait; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        // a branch not taken, a loop that does not run
        {"false && declare -A m; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        {"if false; then declare -A m; fi; echo \"${m[{{a}}]}\"", element, Reason::arithmetic,
         "${m[…]}"},
        {"case x in y) declare -A m;; esac; echo \"${m[{{a}}]}\"", element, Reason::arithmetic,
         "${m[…]}"},
        {"while false; do declare -A m; done; echo \"${m[{{a}}]}\"", element, Reason::arithmetic,
         "${m[…]}"},
        // after the lookup, after unset, over an indexed array (bash refuses it)
        {"echo \"${m[{{a}}]}\"; declare -A m", element, Reason::arithmetic, "${m[…]}"},
        {"declare -A m; unset m; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        {"m=(); declare -A m; echo \"${m[{{a}}]}\"", element, Reason::arithmetic, "${m[…]}"},
        // the same inside a second bash
        {"bash -c 'f() { declare -A m; }; f; echo \"${m[$1]}\"' _ {{a}}", element,
         Reason::throughVariable, "m[…]"},
        {"bash -c 'echo \"${m[$1]}\"; declare -A m' _ {{a}}", element, Reason::throughVariable,
         "m[…]"},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
}

// What people write with a table declared first at the top level runs with any key, looked up
// or assigned, in every login shell.
TEST(ShellRunTimeStateTest, ATableDeclaredFirstTakesAnyKey) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Case {
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {"declare -A m; m[{{a}}]=2; printf '%s' \"${m[@]}\"", "2"},
        {"declare -A m\nm[{{a}}]+=1\nm[{{a}}]+=2\nprintf '[%s]' \"${m[@]}\"", "[12]"},
    };
    for (const Case& c : cases) {
        const auto script = ShellCommand::script(c.text, {{"a", element}});
        ASSERT_TRUE(script) << c.text.toStdString();
        for (const char* shell : shells) {
            EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(),
                      c.expected.toStdString())
                << shell << ": " << c.text.toStdString();
            EXPECT_FALSE(QFile::exists(folder.filePath("canary"))) << c.text.toStdString();
        }
    }
}

// zsh (and the user's zsh behind flock) computes more than bash: numeric conversions of printf
// and print -f, the counts of shift and exit, its integer variables.
TEST(ShellRunTimeStateTest, ZshArithmeticIsArithmetic) {
    const SandboxedRow rows[] = {
        {"zsh -c 'printf \"%d\" \"$1\"' _ {{a}}", argument, Reason::throughVariable, "printf %d"},
        {"zsh -c 'print -f \"%d\\n\" \"$1\"' _ {{a}}", argument, Reason::throughVariable,
         "print %d"},
        {"zsh -c 'printf \"%*s|\" \"$1\" x' _ {{a}}", argument, Reason::throughVariable,
         "printf %d"},
        {"n={{a}} zsh -c 'shift n'", argument, Reason::throughVariable, "shift"},
        {"n={{a}} zsh -c 'exit n'", argument, Reason::throughVariable, "exit"},
        {"zsh -c 'COLUMNS=$1' _ {{a}}", argument, Reason::throughVariable, "COLUMNS="},
        {"zsh -c 'HISTSIZE=$1' _ {{a}}", argument, Reason::throughVariable, "HISTSIZE="},
        {"export C={{a}}; flock l -c 'printf \"%d\" \"$C\"'",
         argument,
         Reason::throughVariable,
         "printf %d",
         {},
         {"SHELL=/usr/bin/zsh"}},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
}

// zsh's and ksh's print ends its options at "--", where bash has no print at all.
TEST(ShellRunTimeStateTest, ZshAndKshPrintTakeTextAfterDoubleDash) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const QString text :
         {"zsh -c 'print -r -- \"$1\"' _ {{a}}", "ksh -c 'print -r -- \"$1\"' _ {{a}}"}) {
        const auto script = ShellCommand::script(text, {{"a", "-x"}});
        ASSERT_TRUE(script) << text.toStdString();
        for (const char* shell : shells)
            EXPECT_EQ(runInShell(*script, folder.path(), shell).output.toStdString(), "-x\n")
                << shell << ": " << text.toStdString();
    }
    expectRefused("bash -c 'print -r -- \"$1\"' _ {{a}}", "-x", Reason::option, "\"$1\"");
}
