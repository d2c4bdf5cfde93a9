#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "Actions/ShellValueFlow.h"

using ShellValueFlow::Values;

namespace {

// The input of the first command whose words include `program`.
Values inputOf(const ShellValueFlow::Flow& flow, const QString& program) {
    for (const ShellValueFlow::Command& command : flow.commands) {
        if (command.words.contains(program))
            return command.input;
    }
    ADD_FAILURE() << "no command " << program.toStdString();
    return {};
}

}  // namespace

// Which variables may hold which values: every way a template can put a value into a name.
TEST(ShellValueFlowTest, VariablesHoldTheValuesThatCanReachThem) {
    const Values all = {1, 2};
    struct Case {
        const char* text;
        const char* name;
        Values values;
    };
    const Case cases[] = {
        {"x=${tavrin_value_1}; y=$x; z=\"pre${y}\"", "z", {1}},
        {"x=1; y=$HOME; z=$(date)", "z", {}},
        {"cmd=\"echo ${tavrin_value_2}\"", "cmd", {2}},
        {"arr=(a ${tavrin_value_1} b)", "arr", {1}},
        {"for r in a ${tavrin_value_2}; do :; done", "r", {2}},
        {"set -- x; for r; do :; done", "r", {}},
        {"set -- ${tavrin_value_1}; for r; do :; done", "r", {1}},
        {"read -r first rest <<< x", "rest", all},
        {"mapfile -t lines < f", "lines", all},
        {"printf -v out '%s' ${tavrin_value_2}", "out", {2}},
        {"set -- a ${tavrin_value_1}", "1", {1}},
        {"f() { :; }; f", "@", all},
        {"function f { :; }", "@", all},
        {": ${z:=${tavrin_value_2}}", "z", {2}},
        {"x=$(echo ${tavrin_value_1} | tr a b)", "x", {1}},
        {"x=$(cat)", "x", {}},
        {"echo ${tavrin_value_2} | { read -r x; y=$x; }", "y", all},
        {"export PS4=\"$(date) ${tavrin_value_1}\"", "PS4", {1}},
        {"local -r x=${tavrin_value_2}", "x", {2}},
        {"y=$x; x=${tavrin_value_1}", "y", {1}},  // a loop may run the first command again
        {"cd ${tavrin_value_1}", "OLDPWD", {1}},
        {"[[ ${tavrin_value_2} =~ (.*) ]]", "BASH_REMATCH", {2}},
        {"echo ${tavrin_value_1}", "_", all},
        // names bash fills itself, and indirection, which may name any variable
        {"set -- ${tavrin_value_2}", "BASH_ARGV", {2}},
        {"x=${!y}", "x", all},
        {"set -- a ${tavrin_value_1}; x=${!#}", "x", {1}},
        {"x=${!HO*}", "x", {}},
        // a command substitution may bring back what a program kept; a count never does
        {"echo ${tavrin_value_2} > f; x=$(cat f)", "x", {2}},
        {"echo ${tavrin_value_2} > f; printf -v w %s \"$(cat f)\"", "w", {2}},
        {"echo ${tavrin_value_2} > f; n=$(wc -l < f); m=$(wc -l < ${tavrin_value_1})", "n", {}},
        {"m=$(grep -c ${tavrin_value_1} f)", "m", {}},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.text, 2);
        EXPECT_EQ(flow.valuesOf(c.name), c.values) << c.text;
    }
}

// What a command's input may carry: pipes (into compound commands and out of them),
// here-strings, here-documents, process substitutions and redirections after "done".
TEST(ShellValueFlowTest, InputCarriesTheValuesOfWhatFeedsIt) {
    struct Case {
        const char* text;
        const char* program;
        Values values;
    };
    const Case cases[] = {
        {"echo ${tavrin_value_1} | tr a b | sh", "sh", {1}},
        {"echo x | sh; echo ${tavrin_value_1}", "sh", {}},
        {"echo ${tavrin_value_1} && echo x | sh", "sh", {}},
        {"echo ${tavrin_value_2} | while read -r l; do sh; done", "sh", {2}},
        {"while read -r l; do sh; done <<< ${tavrin_value_1}", "sh", {1}},
        {"( echo ${tavrin_value_2} ) | sh", "sh", {2}},
        {"{ echo ${tavrin_value_1}; } | sh", "sh", {1}},
        {"sh <<EOF\n${tavrin_value_2}\nEOF\necho done", "sh", {2}},
        {"sh <<'EOF'\nx\nEOF\necho ${tavrin_value_2}", "sh", {}},
        {"sh < <(echo ${tavrin_value_1})", "sh", {1}},
        {"x=${tavrin_value_2}; sh <<< \"$x\"", "sh", {2}},
        {"echo ${tavrin_value_1} | tee >(sh)", "sh", {1, 2}},
        {"sh 2>/dev/null <<< ${tavrin_value_1}", "sh", {1}},
        {"exec < <(echo ${tavrin_value_2}); echo x; sh", "sh", {2}},
        // a descriptor the reading does not follow may hold anything
        {"sh <&3", "sh", {1, 2}},
        // find prints its start points, grep the names of its files, neither its pattern
        {"find ${tavrin_value_1} -name ${tavrin_value_2} | sh", "sh", {1}},
        {"find . -name ${tavrin_value_2} -print0 | sh", "sh", {}},
        {"find . -name x -exec echo ${tavrin_value_2} \\; | sh", "sh", {2}},
        {"grep -l ${tavrin_value_2} *.conf | sh", "sh", {}},
        {"grep -e ${tavrin_value_2} ${tavrin_value_1} | sh", "sh", {1}},
        // what a file may hold comes back through a command substitution
        {"echo ${tavrin_value_1} > f; echo \"$(cat f)\" | sh", "sh", {1}},
        {"echo ${tavrin_value_1} > f; sh <<EOF\n$(cat f)\nEOF", "sh", {1}},
        // commands outside a loop run once, before what comes after them
        {"find . -name x | sh; while :; do echo ${tavrin_value_2} > f; done", "sh", {}},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.text, 2);
        EXPECT_EQ(inputOf(flow, c.program), c.values) << c.text;
    }
}

// The plain text a template gives a variable is known, so a word naming a program through it
// names that program; anything else it gives one makes the variable's text unknown.
TEST(ShellValueFlowTest, PlainTextAVariableIsGivenIsKnown) {
    struct Case {
        const char* text;
        const char* name;
        QSet<QString> texts;
        bool computed;
    };
    const Case cases[] = {
        {"sh=bash; $sh -c x", "sh", {"bash"}, false},
        {"for s in bash 'da'sh; do :; done", "s", {"bash", "dash"}, false},
        {"x=$(command -v bash)", "x", {}, true},
        {"read -r x <<< bash", "x", {}, true},
        {"x=${tavrin_value_1}", "x", {}, false},
        {"x=bash; x+=x", "x", {"bash"}, true},
        {": ${x:=bash}", "x", {}, true},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.text, 1);
        EXPECT_EQ(flow.texts.value(c.name), c.texts) << c.text;
        EXPECT_EQ(flow.computed.contains(c.name), c.computed) << c.text;
    }
}

// A second shell's parameters hold what its caller gives each one, and its commands may read
// what the caller's input carries; where the script moves them, "$1" is any of them.
TEST(ShellValueFlowTest, ASecondShellsParametersHoldWhatTheyAreGiven) {
    ShellValueFlow::Seed seed;
    seed.names = {{"0", {}}, {"1", {1}}, {"2", {2}}, {"@", {1, 2}}};
    seed.input = {2};
    struct Case {
        const char* text;
        const char* name;
        Values values;
    };
    const Case cases[] = {
        {"y=$2", "y", {2}},         {"y=\"$1$2\"", "y", {1, 2}},
        {"y=$3", "y", {1, 2}},      {"for y; do :; done", "y", {1, 2}},
        {"read -r y", "y", {1, 2}},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.text, 2, seed);
        EXPECT_EQ(flow.valuesOf(c.name), c.values) << c.text;
    }
    EXPECT_EQ(inputOf(ShellValueFlow::follow("cat | sh", 2, seed), "cat"), (Values{2}));
}

// What read and mapfile take is a line of a value, with several names (or -a) a piece of one;
// a shell that reads its script on its input reads it as written only from one here-document or
// here-string of plain text.
TEST(ShellValueFlowTest, LinesPiecesAndLiteralInput) {
    const ShellValueFlow::Flow lines = ShellValueFlow::follow(
        "read -r x <<< ${tavrin_value_1}; read -r y z <<< ${tavrin_value_1}; "
        "mapfile -t m <<< ${tavrin_value_1}; read -r -p ${tavrin_value_1} p",
        1);
    EXPECT_EQ(lines.linesOf("x"), (Values{1}));
    EXPECT_TRUE(lines.changedOf("x").isEmpty());
    EXPECT_EQ(lines.changedOf("z"), (Values{1}));
    EXPECT_EQ(lines.linesOf("m"), (Values{1}));
    EXPECT_EQ(lines.valuesOf("p"), (Values{1}));
    EXPECT_FALSE(lines.names.contains("tavrin_value_1"));
    struct Case {
        const char* text;
        std::optional<QString> script;
    };
    const Case cases[] = {
        {"bash -s <<'EOF'\necho \"$1\"\nEOF", "echo \"$1\"\n"},
        {"bash -s <<EOF\necho hi\nEOF", "echo hi\n"},
        {"bash -s <<EOF\necho $x\nEOF", std::nullopt},
        {"bash -s <<< 'echo \"$1\"'", "echo \"$1\"\n"},
        {"bash -s <<< \"$x\"", std::nullopt},
        {"echo x | bash -s <<< 'echo'", std::nullopt},
        {"bash -s < script.sh", std::nullopt},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.text, 1);
        const auto bash =
            std::find_if(flow.commands.cbegin(), flow.commands.cend(),
                         [](const auto& command) { return command.words.contains("bash"); });
        ASSERT_NE(bash, flow.commands.cend()) << c.text;
        EXPECT_EQ(bash->literalInput, c.script) << c.text;
    }
}
