#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <variant>

#include "Actions/ShellCommand.h"
#include "LoginShells.h"
#include "support/Files.h"

namespace {

ShellCommand::Refusal refusalOf(const QString& text,
                                const QList<ShellCommand::Placeholder>& values) {
    const auto prepared = ShellCommand::prepare(text, values);
    EXPECT_TRUE(std::holds_alternative<ShellCommand::Refusal>(prepared)) << text.toStdString();
    const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
    return refusal ? *refusal : ShellCommand::Refusal{};
}

ShellCommand::Script scriptOf(const QString& text, const QList<ShellCommand::Placeholder>& values) {
    const auto script = ShellCommand::script(text, values);
    EXPECT_TRUE(script) << text.toStdString();
    return script.value_or(ShellCommand::Script{});
}

class ShellCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        for (const char* shell : shells)
            ASSERT_TRUE(QFileInfo(shell).isExecutable()) << shell << ": run scripts/setup";
    }

    QTemporaryDir folder;
};

}  // namespace

TEST(ShellCommandQuoteTest, QuoteWrapsAndEscapesApostrophes) {
    EXPECT_EQ(ShellCommand::quote(""), "''");
    EXPECT_EQ(ShellCommand::quote("it's done"), "'it'\\''s done'");
    EXPECT_EQ(ShellCommand::display("git -C {{project_path}} commit -m {{msg}}",
                                    {{"msg", "it's done"}, {"project_path", "/Users/a/My App"}}),
              "git -C '/Users/a/My App' commit -m 'it'\\''s done'");
}

TEST(ShellCommandQuoteTest, ReferencesAreQuotedForTheirSpotAndValuesPassedInOrder) {
    struct Case {
        const char* text;
        const char* script;
        QStringList arguments;
    };
    const Case cases[] = {
        {"git -C {{project_path}} commit -m {{msg}}",
         "git -C \"${tavrin_value_1}\" commit -m \"${tavrin_value_2}\"",
         {"/Users/a/My App", "it's done"}},
        {"echo \"$({{a}})\" '{{a}}' {{msg}}{{a}}",
         "echo \"$(\"${tavrin_value_1}\")\" ''\"${tavrin_value_1}\"'' "
         "\"${tavrin_value_2}\"\"${tavrin_value_1}\"",
         {"x", "it's done"}},
        {"echo \"x {{a}}\" \\{{a}} # {{a}}",
         "echo \"x ${tavrin_value_1}\" \\\\\"${tavrin_value_1}\" # \"${tavrin_value_1}\"",
         {"x"}},
        {"echo {{unknown}}", "echo {{unknown}}", {}},
    };
    for (const Case& c : cases) {
        const auto script = ShellCommand::script(
            c.text, {{"msg", "it's done"}, {"project_path", "/Users/a/My App"}, {"a", "x"}});
        ASSERT_TRUE(script) << c.text;
        // The values are taken from the positional parameters first, then the template runs.
        EXPECT_TRUE(script->text.endsWith(QStringLiteral("set --\n") + c.script) ||
                    (c.arguments.isEmpty() && script->text == c.script))
            << script->text.toStdString();
        EXPECT_EQ(script->arguments, c.arguments) << c.text;
    }
}

TEST(ShellCommandQuoteTest, FillScansTheTemplateOnce) {
    const auto identity = [](const QString& value) { return value; };
    struct Case {
        const char* text;
        QList<ShellCommand::Placeholder> placeholders;
        const char* expected;
    };
    const Case cases[] = {
        {"{{a}} and {{a}}", {{"a", "x"}}, "x and x"},
        {"{{a}}", {{"a", "{{b}}"}, {"b", "NO"}}, "{{b}}"},
        {"{{b}}{{a}}", {{"a", "{{b}}"}, {"b", "}}"}}, "}}{{b}}"},
        {"{{{a}}}", {{"a", "x"}}, "{x}"},
        {"{{unknown}} {{a}", {{"a", "x"}}, "{{unknown}} {{a}"},
        {"{{repo}}", {{"repo", "first"}, {"repo", "second"}}, "first"},
        {"", {{"a", "x"}}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellCommand::fill(c.text, c.placeholders, identity), c.expected) << c.text;
}

// Every value, whatever it holds, must reach the command as exactly one literal word.
TEST_F(ShellCommandTest, HostileValuesArriveAsOneLiteralWordInEveryShell) {
    writeFile(folder.filePath("file-for-globs"));
    // clang-format off
    const QStringList corpus = {
        "plain", "two words", "it's", "''", "'\\''", "say \"hi\"", "$HOME", "${HOME}",
        "$(echo INJECTED)", "`echo INJECTED`", "a; echo INJECTED", "a | cat", "a && echo INJECTED",
        "a || echo INJECTED", "line one\nline two", "trailing newline\n", "*", "?ile-for-globs",
        "[f]*", "~", "a\\b\\", "!1", "> out.txt", "# comment", "  spaced  ", "",
        "Grüße, „Zitat“ …", "{{b}}", "{{project_path}}", "'{{b}}'", "-n", "a[$(echo INJECTED)]"};
    // clang-format on
    for (const char* shell : shells) {
        for (const QString& value : corpus) {
            // a holds the value; b holds a command substitution that must never run, even
            // when a's value names b.
            const auto script = scriptOf(
                "printf '[%s]' {{a}}; printf '|%s' {{b}}",
                {{"a", value}, {"b", "$(echo INJECTED)"}, {"project_path", "`echo INJECTED`"}});
            const ShellRun run = runInShell(script, folder.path(), shell);
            EXPECT_EQ(run.output, "[" + value + "]|$(echo INJECTED)")
                << shell << " with " << value.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("out.txt")));
}

// Templates quote placeholders themselves, too ("{{msg}}", '{{msg}}'), put them in command
// substitutions or case statements: a value stays one literal piece of the word everywhere.
TEST_F(ShellCommandTest, PlaceholdersInsideTheTemplatesOwnQuotesStayLiteral) {
    // clang-format off
    const QStringList values = {
        "$(echo INJECTED)", "`echo INJECTED`", "it's", "say \"hi\"", "a\\b\\",
        "line one\nline two", "\"; echo INJECTED; \"", "'; echo INJECTED; '", "$HOME", "*"};
    // clang-format on
    struct Case {
        const char* text;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"printf '[%s]' {{a}}", "[", "]"},
        {"printf '[%s]' \"{{a}}\"", "[", "]"},
        {"printf '[%s]' '{{a}}'", "[", "]"},
        {"printf '[%s]' \"x {{a}} y\"", "[x ", " y]"},
        {"printf '[%s]' 'x {{a}} y'", "[x ", " y]"},
        {"printf '[%s]' \"$(printf %s {{a}})\"", "[", "]"},
        {"printf '[%s]' \"$(printf %s \"<{{a}}>\")\"", "[<", ">]"},
        {"printf '[%s]' \\{{a}}", "[\\", "]"},
        {"printf '[%s]' \"\\{{a}}\"", "[\\", "]"},
        {"printf '[%s]' x # {{a}}", "[x]", nullptr},
        {"printf '[%s]' \"#{{a}}\"", "[#", "]"},
        {"printf '[%s]' \"$(case x in x) printf %s {{a}};; esac)\"", "[", "]"},
        {"printf '[%s]' \"$(case x in (x) printf %s '{{a}}';; esac)\"", "[", "]"},
        {"f() { printf '[%s]' {{a}}; }; f", "[", "]"},
        {"export V={{a}}; printf '[%s]' \"$V\"", "[", "]"},
        {"V=\"<{{a}}>\" && printf '[%s]' \"$V\"", "[<", ">]"},
        {"printf '[%s]' x{{a}}'y'", "[x", "y]"},
        {"for i in 1; do printf '[%s]' {{a}}; done", "[", "]"},
        {"printf '[%s]' {{a}} \"${#}${1}\"", "[", "][0]"},
    };
    for (const char* shell : shells) {
        for (const Case& c : cases) {
            for (const QString& value : values) {
                const auto script = scriptOf(c.text, {{"a", value}});
                const QString expected =
                    c.after ? QString(c.before) + value + c.after : QString(c.before);
                const ShellRun run = runInShell(script, folder.path(), shell);
                EXPECT_EQ(run.output, expected)
                    << shell << ": " << c.text << " with " << value.toStdString();
            }
        }
    }
}

// Where a shell evaluates a value once more as code or arithmetic, no quoting helps: the
// template is refused before anything runs.
TEST(ShellCommandQuoteTest, PlaceholdersWhereAShellEvaluatesTheValueAgainAreRefused) {
    // clang-format off
    const char* refused[] = {
        "echo `echo {{a}}`", "echo \"`echo {{a}}`\"", "echo ${x/{{a}}/y}", "echo \"${x#{{a}}}\"",
        "echo $(( {{a}} + 1 ))", "echo ${{a}}", "echo \"${{a}}\"", "cat <<EOF\n$(( {{a}} ))\nEOF",
        "cat <<-'EOF'\n{{a}}\nEOF", "cat <<{{a}}", "echo $'x {{a}}'", "(( {{a}} ))",
        "echo $[ {{a}} ]", "x[{{a}}]=1", "x=( [{{a}}]=1 )", "[[ {{a}} -eq 1 ]]",
        "for (( i={{a}}; i<3; i++ )); do :; done", "echo \"$( (( {{a}} )) )\"",
        "let n={{a}}", "let \"n={{a}}\"", "eval {{a}}", "eval \"echo {{a}}\"",
        "eval \"$(echo {{a}})\"", "command eval '{{a}}'", "trap {{a}} EXIT", "read {{a}}",
        "printf -v {{a}} x", "declare {{a}}", "export {{a}}", "export \"{{a}}\"=1",
        "local -i n={{a}}", "typeset -a list=([{{a}}]=1)", "export list=(1) list={{a}}",
        "declare -n ref={{a}}", "[ -v {{a}} ]", "test -v \"{{a}}\"", "compgen -W {{a}}",
        "n={{a}}; echo $((n+1))", "n={{a}}; (( n ))", "n={{a}}; let m=n",
        "x={{a}}; echo ${!x}", "x={{a}}; echo ${list[x]}", "x={{a}}; echo ${HOME:x}",
        "x={{a}}; [[ $x -gt 1 ]]", "declare -i n; n={{a}}", "declare -a list={{a}}",
        "echo \"$(case x in x) (( {{a}} ));; esac)\"", "echo ${x:-'}'} \"$(( {{a}} ))\"",
        "f() { echo $(( $1 )); }; f {{a}}", "echo ${x[$(echo {{a}})]}", "\"$@\"let n={{a}}",
        "$x let n={{a}}", "${x}eval {{a}}", "x={{a}}; read $x", "x={{a}}; printf -v \"$x\" y",
        "x={{a}}; unset \"$x\"", "x={{a}}; export \"$x\"", "PS4={{a}}; set -x; :",
        "export PROMPT_COMMAND={{a}}", "alias x={{a}}", "sh -c {{a}}", "bash -lc \"echo {{a}}\"",
        "sudo sh -c 'echo {{a}}'", "timeout 5 /bin/bash -e -c x{{a}}", ">out let n={{a}}",
        "2>&1 let n={{a}}", "&>/dev/null let n={{a}}", "x=1 >| f let n={{a}}",
        "time -p let n={{a}}", "function f { let n={{a}}; }; f", "typeset -n r={{a}}",
        "echo <(:) && let n={{a}}", "le\\\nt n={{a}}", "$'let' n={{a}}", "${x:-let} n={{a}}",
        "c=let; $c n={{a}}", "for c in let; do $c n={{a}}; done", "{let,x} n={{a}}",
        "l?t n={{a}}", "set -- let; $1 n={{a}}", "x[1]=1 let n={{a}}", ">&{{a}}",
        "echo x 1>& \"{{a}}\"", "RANDOM={{a}}", "export OPTIND=\"{{a}}\"",
        "compgen -C {{a}}", "wait -p {{a}}", "echo *(e:'true {{a}}':)", "f() { read {{a}}; }",
        "BASH_CMDS[ls]={{a}}; ls", "x={{a}}; [[ $x -gt 1 ]]", "[[ -v {{a}} ]]",
        "declare -a l={{a}}", "l=(1); declare l={{a}}", "x={{a}}; l=(1); export l=$x",
        "x={{a}}; unset \"a[$x]\"", "echo ${x@P} {{a}}", "BASHPID={{a}}", "echo \"${{{a}}}\"",
        // a second shell's script, whatever options stand between the program and its -c
        "bash -o pipefail -c \"echo {{a}}\"", "sh -o errexit -c 'echo {{a}}'",
        "bash -O extglob -c \"echo {{a}}\"", "bash -c -- \"echo {{a}}\"",
        "\"$(command -v bash)\" -c \"echo {{a}}\"", "script -qc \"echo {{a}}\" /dev/null",
        "flock /tmp/l -c \"echo {{a}}\"", "su root -c \"echo {{a}}\"", "$SHELL -c \"echo {{a}}\"",
        "env -i bash -ec \"echo {{a}}\"", "sudo -u x bash --norc -c \"echo {{a}}\"",
        // test reads an operator from a word that expands
        "[ {{a}} {{a}} ]", "x={{a}}; test $x \"$x\"", "x={{a}}; [ ! \"$x\" \"$x\" ]",
        // after a here-document the template's commands go on
        "cat <<EOF\nx\nEOF\n(( {{a}} ))", "cat <<-EOF\n\tx\n\tEOF\nlet n={{a}}",
        "cat <<A <<'B'\nx\nA\n{{a}}\nB", "x=$(cat <<EOF\n{{a}}\nEOF\n); (( x ))"};
    // clang-format on
    for (const char* text : refused)
        EXPECT_FALSE(ShellCommand::script(text, {{"a", "x"}})) << text;
    // clang-format off
    const char* accepted[] = {
        "echo `date` {{a}}", "echo ${HOME} {{a}}", "echo $(( 1 + 2 )) {{a}}", "echo $ {{a}}",
        "echo {{unknown}} `echo {{unknown}}`", "cat <<< {{a}}", "[ {{a}} = x ]", "( echo {{a}} )",
        "echo *.[ch] {{a}}", "echo --opt=[{{a}}]", "echo \"$( (echo {{a}}) )\"",
        // the template's own positional parameters are empty: the values are taken out first
        "echo $(( $1 )) {{a}}", "export NAME={{a}}", "export NAME=\"x {{a}}\"", "f() { local m={{a}}; echo \"$m\"; }; f",
        "list=( {{a}} ); echo \"${list[@]}\" ${#list[@]}", "echo ${HOME:-/} ${#HOME} {{a}}",
        "echo \"$(case x in x) echo {{a}};; esac)\"", "eval \"$(ssh-agent -s)\"; echo {{a}}",
        "printf '%s\\n' {{a}} | while read -r line; do echo \"$line\"; done",
        "echo 'let it be' {{a}}", "echo ${HOME:1:2} {{a}}", "x={{a}}; export Y=\"$x\"",
        "while read -r line; do echo \"$line\"; done <<< {{a}}",
        "sh -c 'printf %s \"$1\"' sh {{a}}", "bash script.sh -c {{a}}", "echo {{a}} >&2",
        "diff <(echo {{a}}) - <<< x", "echo {{a}} & wait", "echo x 2>/dev/null {{a}}",
        "\"$HOME/bin/tool\" {{a}}", "echo ${x:-{{a}}} \"${x:-{{a}}}\"",
        "cat <<EOF\n{{a}}\nEOF", "bash -c 'echo \"$1\"' -- {{a}}",
        // zsh's and ksh's own builtins are plain words to bash
        "f() { private {{a}}; }", "getln {{a}}", "integer n={{a}}", "nameref r={{a}}",
        "typeset -a list=({{a}})", "export list=({{a}})",
        "functions[1]={{a}}", "print -f '%d' {{a}}", "COLUMNS={{a}} ls", "repeat {{a}} echo",
        // programs that read their input as data, whatever it holds
        "echo {{a}} | awk '{print $1}'", "echo {{a}} | perl -ne 'print'",
        "printf '%s' {{a}} | python3 tool.py"};
    // clang-format on
    for (const char* text : accepted)
        EXPECT_TRUE(ShellCommand::script(text, {{"a", "x"}})) << text;
}

// Each of these once let a value run as a command in a real shell. Whatever the template
// reader makes of them, a value may be printed or the template refused, but it never runs.
TEST_F(ShellCommandTest, TemplatesThatOnceRanTheValueNeverRunIt) {
    const QString canary = folder.filePath("canary");
    const QStringList values = {"$(touch " + canary + ")", "a[$(touch " + canary + ")]",
                                "`touch " + canary + "`"};
    struct Case {
        QString text;
        bool refused;
    };
    const Case cases[] = {
        {"echo \"$(case x in x) echo {{a}};; esac)\"", false},
        {"echo fertig\u00a0# Notiz: {{a}}", false},
        {"echo fertig\v# Notiz: {{a}}", false},
        {"echo fertig\f# Notiz: {{a}}", false},
        {"echo fertig\r# Notiz: {{a}}", false},
        {"echo fertig\u3000# Notiz: {{a}}", false},
        {"echo x['y]' \"{{a}}\"", true},
        {"echo ${x:-'}'} \"{{a}}\"", false},
        {"cat [<<EOF\n]{{a}}\nEOF", false},
        {"let n={{a}}", true},
        {"echo x[\"]\"{{a}}]=1", true},
        {"n={{a}}; echo \"$(( n ))\"", true},
    };
    // clang-format on
    for (const char* shell : shells) {
        for (const auto& [text, refused] : cases) {
            for (const QString& value : values) {
                const auto script = ShellCommand::script(text, {{"a", value}});
                EXPECT_EQ(!script, refused) << text.toStdString();
                if (!script)
                    continue;
                const ShellRun run = runInShell(*script, folder.path(), shell);
                EXPECT_FALSE(QFile::exists(canary))
                    << shell << ": " << text.toStdString() << " ran " << value.toStdString();
                QFile::remove(canary);
                if (run.exitCode == 0) {
                    EXPECT_TRUE(run.output.contains(value))
                        << shell << ": " << text.toStdString() << " printed "
                        << run.output.toStdString();
                }
            }
        }
    }
}

// The templates accepted before values became parameters still run, and run no value.
TEST_F(ShellCommandTest, TemplatesAcceptedBeforeStillRunWithoutRunningAValue) {
    const QString canary = folder.filePath("canary");
    const QStringList values = {"$(touch " + canary + ")", "a[$(touch " + canary + ")]",
                                "`touch " + canary + "`", "'; touch " + canary + "; '"};
    // clang-format off
    const char* templates[] = {
        "echo `date` {{a}}", "echo ${HOME} {{a}}", "echo $(( 1 + 2 )) {{a}}", "echo $ {{a}}",
        "echo {{unknown}} `echo {{unknown}}`", "cat <<< {{a}}", "[ {{a}} = x ]", "( echo {{a}} )",
        "echo *.[ch] {{a}}", "echo --opt=[{{a}}]", "echo \"$( (echo {{a}}) )\""};
    // clang-format on
    for (const char* shell : shells) {
        for (const char* text : templates) {
            for (const QString& value : values) {
                const auto script = scriptOf(text, {{"a", value}});
                const ShellRun run = runInShell(script, folder.path(), shell);
                EXPECT_FALSE(QFile::exists(canary))
                    << shell << ": " << text << " ran " << value.toStdString();
                QFile::remove(canary);
                if (QString(text).contains("{{a}}") && run.exitCode == 0 &&
                    !QString(text).startsWith("[")) {
                    EXPECT_TRUE(run.output.contains(value)) << shell << ": " << text;
                }
            }
        }
    }
}

// From the tenth value on, "$10" would be "$1" and "0" in sh and the tenth one in zsh.
TEST_F(ShellCommandTest, TwelveValuesReachTheirPlacesInEveryShell) {
    QList<ShellCommand::Placeholder> placeholders;
    QString text = "printf '%s,'";
    QString expected;
    for (int i = 1; i <= 12; ++i) {
        const QString name = QString("p%1").arg(i);
        placeholders.append({name, QString("v%1 $%1").arg(i)});
        text += " {{" + name + "}}";
        expected += QString("v%1 $%1,").arg(i);
    }
    for (const char* shell : shells) {
        const ShellRun run = runInShell(scriptOf(text, placeholders), folder.path(), shell);
        EXPECT_EQ(run.output, expected) << shell;
    }
}

// Data-only templates that were refused for a construct the value never reaches: they run,
// and hostile values arrive as data, whichever login shell starts them.
TEST_F(ShellCommandTest, DataOnlyTemplatesRunWithHostileValuesAsData) {
    const QString canary = folder.filePath("canary");
    const QStringList values = {"x[$(touch " + canary + ")]", "$(touch " + canary + ")",
                                "a\"b'c `touch " + canary + "`"};
    struct Case {
        const char* text;
        const char* expected;  // "%" stands for the value
    };
    const Case cases[] = {
        {"[[ -n {{a}} ]] && echo ja", "ja\n"},
        {"[[ {{a}} == main ]] || echo nein", "nein\n"},
        {"if [[ -f {{a}} ]]; then echo da; else echo fehlt; fi", "fehlt\n"},
        {"[[ $(date +%u) -gt 0 ]] && printf '%s' {{a}}", "%"},
        {"cat > notiz.md <<EOF\n# {{a}}\n\"{{a}}\" '{{a}}'\nEOF\ncat notiz.md", "# %\n\"%\" '%'\n"},
        {"cat <<-EOF\n\t{{a}}\n\tEOF", "%\n"},
        {"read -r vorname nachname <<< {{a}}; printf '%s %s' \"$vorname\" \"$nachname\"", "%"},
        {"printf '%s' \"{{a}}({{a}}): {{a}}\"", "%(%): %"},
        {"echo \"Eintrag[{{a}}]\"", "Eintrag[%]\n"},
        {"echo \"https://x.example/?filter[name]={{a}}\"", "https://x.example/?filter[name]=%\n"},
        {"printf '%s|' ${TITLE:-{{a}}} \"${TITLE:-{{a}}}\"", "%|%|"},
        {"for ((i=0;i<2;i++)); do printf '%s' {{a}}; done", "%%"},
        {"n=$(( $(printf 'a\\nb\\n' | wc -l) + 1 )); printf '%s %s' \"$n\" {{a}}", "3 %"},
        {"test -v HOME && printf '%s' {{a}}", "%"},
        {"declare -a liste=({{a}} zwei); printf '%s|' \"${liste[@]}\"", "%|zwei|"},
        {"OPTIND=1; printf '%s' {{a}}", "%"},
    };
    for (const char* shell : shells) {
        for (const Case& c : cases) {
            for (const QString& value : values) {
                const auto script = scriptOf(c.text, {{"a", value}});
                const ShellRun run = runInShell(script, folder.path(), shell);
                EXPECT_EQ(run.output.toStdString(),
                          QString(c.expected).replace("%", value).toStdString())
                    << shell << ": " << c.text << " with " << value.toStdString();
                EXPECT_FALSE(QFile::exists(canary)) << shell << ": " << c.text;
                QFile::remove(canary);
            }
        }
    }
}

// A value that begins with "-" and stands alone where a program reads options would be one.
TEST(ShellCommandQuoteTest, ValuesThatWouldBeOptionsAreRefusedWhereAProgramReadsOptions) {
    struct Case {
        const char* text;
        const char* value;
        bool refused;
    };
    const Case cases[] = {
        {"ssh {{a}} uptime", "-oProxyCommand=touch x", true},
        {"git push origin {{a}}", "--receive-pack=touch x", true},
        {"git fetch {{a}}", "--upload-pack=touch x", true},
        {"git clone {{a}} \"{{b}}\"", "--upload-pack=touch x", true},
        {"tar xf a.tar '{{a}}'", "--to-command=touch x", true},
        {"git log {{a}}", "--output=x", true},
        {"find {{a}} -name '*.log'", "-delete", true},
        {"git checkout {{a}}", "--orphan=x", true},
        {"printf {{a}} hallo", "-va[$(touch x)]", true},
        {"echo {{a}}", "-e", true},
        {"cd {{a}} && ls", "-P", true},
        {"git log {{a}}x", "--output=/tmp/f", true},
        {"git log {{b}}{{a}}", "--output=/tmp/f", true},
        // the template naming the variables the values go into, by numbers there are none for
        {"git log ${tavrin_value_7}{{a}}", "--output=/tmp/f", true},
        {"git log ${tavrin_value_99999999999999999999}{{a}}", "--output=/tmp/f", true},
        // where no program reads it as an option
        {"printf '%s\\n' {{a}}", "-5 Grad", false},
        {"echo {{a}}", "-5 Grad", false},
        {"gh issue create --title={{a}}", "--web", false},
        {"gh issue create --title {{a}}", "--web", false},
        {"git commit -m {{a}}", "- Tippfehler behoben", false},
        {"echo \"Titel: {{a}}\"", "-n", false},
        {"echo \"{{a}} Grad\"", "-n", false},
        {"git log x{{a}}", "--output=/tmp/f", false},
        {"git checkout -- {{a}}", "--orphan=x", false},
        {"rm -- {{a}}", "-rf", false},
        {"x={{a}}; cat > {{a}}", "-x", false},
        {"[[ {{a}} == -* ]] && echo ja", "-n", false},
        {"ssh {{a}} uptime", "server-1", false},
    };
    for (const Case& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.value}, {"b", ""}});
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        EXPECT_EQ(refusal != nullptr, c.refused) << c.text << " with " << c.value;
        if (refusal) {
            EXPECT_EQ(refusal->reason, ShellCommand::Refusal::Reason::option) << c.text;
            EXPECT_EQ(refusal->placeholders, QStringList{"a"}) << c.text;
        }
    }
}

// A refusal names the placeholder it is about, or every placeholder when a value may reach
// an evaluating spot through a variable; values no program argument can carry are refused
// instead of being cut.
TEST(ShellCommandQuoteTest, RefusalsNameTheirPlaceholderAndReason) {
    using Reason = ShellCommand::Refusal::Reason;
    struct Case {
        const char* text;
        QString value;
        ShellCommand::Refusal refusal;
    };
    const Case cases[] = {
        {"echo {{b}}; let n={{a}}", "1+x", {Reason::arithmetic, {"a"}}},
        {"echo {{b}} $(( {{a}} ))", "1+x", {Reason::arithmetic, {"a"}}},
        {"n={{b}}; echo {{a}} $((n))", "1", {Reason::throughVariable, {"b", "a"}}},
        {"cat <<'EOF'\n{{a}}\nEOF", "1", {Reason::quotedHereDocument, {"a"}}},
        {"echo {{b}} {{a}}", QString("x") + QChar(0) + "y", {Reason::nul, {"a"}}},
        {"echo {{b}} {{a}}", QString(140000, 'x'), {Reason::tooLong, {"a"}}},
    };
    for (const Case& c : cases) {
        const ShellCommand::Refusal refusal = refusalOf(c.text, {{"a", c.value}, {"b", "x"}});
        EXPECT_EQ(refusal.reason, c.refusal.reason) << c.text;
        EXPECT_EQ(refusal.placeholders, c.refusal.placeholders) << c.text;
    }
}

// Each class of spot where some shell evaluates a value again, run the way a shell action
// runs in every login shell: the value is printed, refused or rejected by bash as a
// number, but it never runs.
TEST_F(ShellCommandTest, NoClassOfEvaluatingSpotRunsAValueInAnyLoginShell) {
    const QString canary = folder.filePath("canary");
    const QStringList values = {"x[$(touch " + canary + ")]=1", "HOME[$(touch " + canary + ")]",
                                "PATH[`touch " + canary + "`]", "-va[$(touch " + canary + ")]"};
    const char* const classes[] = {
        // numeric conversions
        "printf '%d\\n' {{a}}", "printf 'Betrag: %.2f EUR\\n' {{a}}", "printf '%*s|' {{a}} a",
        "print -f '%d\\n' {{a}}",
        // builtins that read their argument as a number
        "exit {{a}}", "f() { return {{a}}; }; f", "shift {{a}}", "for i in 1; do break {{a}}; done",
        "for i in 1; do continue {{a}}; done", "repeat {{a}} echo", "[ -t {{a}} ]",
        // integer variables of one shell or another
        "COLUMNS={{a}} ls", "export LINES={{a}}", "f() { local COLUMNS={{a}}; }; f",
        "SECONDS={{a}}", "HISTSIZE={{a}}", "SHLVL={{a}} true", "KEYTIMEOUT={{a}}", "OPTIND={{a}}",
        "RANDOM={{a}}",
        // subscripts with and without braces
        "i={{a}}; a=(x y); echo $a[$i]", "i={{a}}; a=(x y); echo ${a[$i]}",
        // values that are options
        "printf {{a}} hallo", "print {{a}}", "echo {{a}}",
        // a second shell's script
        "bash -o pipefail -c \"echo {{a}}\"", "bash -c -- \"echo {{a}}\"",
        "$SHELL -c \"echo {{a}}\"", "script -qc \"echo {{a}}\" /dev/null",
        "flock l -c \"echo {{a}}\""};
    for (const char* shell : shells) {
        for (const char* text : classes) {
            for (const QString& value : values) {
                const auto script = ShellCommand::script(text, {{"a", value}});
                if (!script)
                    continue;
                runInShell(*script, folder.path(), shell);
                EXPECT_FALSE(QFile::exists(canary))
                    << shell << ": " << text << " ran " << value.toStdString();
                QFile::remove(canary);
            }
        }
    }
}

// A value stays data on every path it can take through a template: through variables, loop
// variables, read targets, positional parameters and command substitutions, through a
// wrapper's "--", git's per-command options, "+command", settings and opened files, and a
// shell's input. Each row once ran the value in every login shell; now it is refused,
// naming the placeholder, and nothing runs.
TEST_F(ShellCommandTest, ValuesThatReachAProgramAnotherWayAreRefused) {
    using Reason = ShellCommand::Refusal::Reason;
    const QString canary = folder.filePath("canary");
    const QString touch = "touch " + canary;
    struct Case {
        QString text;
        QString value;
        Reason reason;
    };
    const Case cases[] = {
        // options through the template's own variables
        {"x={{a}}; git fetch \"$x\"", "--upload-pack=" + touch + ";:", Reason::option},
        {"git log \"$(echo {{a}})\"", "--output=" + canary, Reason::derivedOption},
        {"for r in {{a}}; do git log \"$r\"; done", "--output=" + canary, Reason::option},
        {"arr=(git log {{a}}); \"${arr[@]}\"", "--output=" + canary, Reason::option},
        {"read -r x <<< {{a}}; git log \"$x\"", "--output=" + canary, Reason::option},
        {"set -- {{a}}; git log \"$1\"", "--output=" + canary, Reason::option},
        {"x={{a}}; git log ${x:+\"$x\"}", "--output=" + canary, Reason::option},
        {"git log $pfx{{a}}", "--output=" + canary, Reason::option},
        {"git log $''{{a}}", "--output=" + canary, Reason::option},
        {"git log ${HOME:+}{{a}}", "--output=" + canary, Reason::option},
        {"echo {{a}} | xargs git log", "--output=" + canary, Reason::option},
        {"x={{a}}; git log $x", "HEAD --output=" + canary, Reason::option},
        // evaluated once more through a variable
        {"x={{a}}; eval \"echo $x\"", "$(" + touch + ")", Reason::throughVariable},
        {"cmd=\"echo {{a}}\"; eval \"$cmd\"", "$(" + touch + ")", Reason::throughVariable},
        {"x={{a}}; trap \"echo $x\" EXIT", "$(" + touch + ")", Reason::throughVariable},
        {"x={{a}}; bash -c \"echo $x\"", "$(" + touch + ")", Reason::throughVariable},
        {"f() { eval \"$1\"; }; f {{a}}", touch, Reason::throughVariable},
        {"x={{a}}; PS4=\"$x\"; set -x; :", "$(" + touch + ")", Reason::throughVariable},
        {"x={{a}}; export BASH_ENV=\"$x\"; bash -c true", "$(" + touch + ")",
         Reason::throughVariable},
        {"echo {{a}} | eval \"$(cat)\"", touch, Reason::throughVariable},
        {"echo {{a}} | xargs sh -c", "touch${IFS}" + canary, Reason::throughVariable},
        {"unset PS4; : ${PS4={{a}}}; set -x; :", "$(" + touch + ")", Reason::evaluated},
        // "--" ends a wrapper's options, not those of the program it runs
        {"env -- git fetch {{a}}", "--upload-pack=" + touch + ";:", Reason::option},
        {"timeout -- 10 git log {{a}}", "--output=" + canary, Reason::option},
        {"nice -- git log {{a}}", "--output=" + canary, Reason::option},
        // git's options that take a word depend on the subcommand
        {"git rebase -m {{a}} HEAD~1", "--exec=" + touch, Reason::option},
        {"git fetch -m {{a}}", "--upload-pack=" + touch + ";:", Reason::option},
        {"git log -m {{a}}", "--output=" + canary, Reason::option},
        {"git show -m {{a}}", "--output=" + canary, Reason::option},
        {"git diff -b {{a}}", "--output=" + canary, Reason::option},
        // "+command" for editors and pagers
        {"ex -sc '%s/a/b/|x' {{a}}", "+!" + touch, Reason::readAsCommand},
        {"vim -es -c 'x' {{a}}", "+!" + touch, Reason::readAsCommand},
        {"less {{a}}", "+!" + touch, Reason::readAsCommand},
        // settings and opened commands
        {"make {{a}}", "x:=$(shell " + touch + ")", Reason::readAsCommand},
        {"make -- {{a}}", "x:=$(shell " + touch + ")", Reason::readAsCommand},
        {"make CFLAGS={{a}}", "$(shell " + touch + ")", Reason::readAsCommand},
        {"env {{a}} git status", "GIT_CONFIG_PARAMETERS='core.fsmonitor'='" + touch + "'",
         Reason::readAsCommand},
        {"perl -ne 'print' {{a}}", touch + "|", Reason::readAsCommand},
        // a shell reading its script from its input
        {"echo {{a}} | sh", touch, Reason::evaluated},
        {"sh <<< {{a}}", touch, Reason::evaluated},
        {"bash < <(echo {{a}})", touch, Reason::evaluated},
        {"bash <(echo {{a}})", touch, Reason::evaluated},
        {"bash <<EOF\n{{a}}\nEOF", touch, Reason::evaluated},
        {"echo {{a}} | tee >(sh) >/dev/null", touch, Reason::evaluated},
        {"echo {{a}} | at now", touch, Reason::evaluated},
        {"exec <<< {{a}}; echo weiter; sh", touch, Reason::evaluated},
        {"watch -n 1 echo {{a}}", "$(" + touch + ")", Reason::evaluated},
    };
    for (const Case& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.value}, {"b", "x"}});
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        ASSERT_TRUE(refusal) << c.text.toStdString() << " ran";
        EXPECT_EQ(refusal->reason, c.reason) << c.text.toStdString();
        EXPECT_EQ(refusal->placeholders, QStringList{"a"}) << c.text.toStdString();
    }
}

// Data that only looks like an option where the program takes it as an option's argument
// or as a number: these run, and the value arrives as written.
TEST_F(ShellCommandTest, DataAfterOptionsThatTakeAWordRuns) {
    writeFile(folder.filePath("-notiz"));
    struct Case {
        const char* text;
        const char* value;
        const char* expected;  // nullptr: only accepted (the program needs what the test lacks)
    };
    const Case cases[] = {
        {"date -d {{a}} +%Y >/dev/null && echo ok", "-1 day", "ok\n"},
        {"touch -d {{a}} notiz && echo ok", "-2 hours", "ok\n"},
        {"printf '1\\n2\\n3\\n' | head -n {{a}}", "-1", "1\n2\n"},
        {"printf 'a\\n-b\\n' | grep -e {{a}}", "-b", "-b\n"},
        {"printf 'x-2\\ny-1\\n' | sort -t {{a}} -k 2", "-", "y-1\nx-2\n"},
        {"find . -name {{a}}", "-notiz", "./-notiz\n"},
        {"jq -n --arg v {{a}} '$v'", "-5 Grad", "\"-5 Grad\"\n"},
        {"seq {{a}} 0", "-2", "-2\n-1\n0\n"},
        {"expr {{a}} + 3", "-5", "-2\n"},
        {"git -C {{a}} status", "-x", nullptr},
        {"git commit -am {{a}}", "- Tippfehler", nullptr},
        {"git checkout -b {{a}}", "-neu", nullptr},
        {"curl -s -d {{a}} https://example.invalid", "-x", nullptr},
        {"pactl set-sink-volume @DEFAULT_SINK@ {{a}}", "-5%", nullptr},
        {"sleep {{a}}", "-1", nullptr},
        {"git fetch -- {{a}}", "--upload-pack=x", nullptr},
        {"echo hallo {{a}}", "-n", "hallo -n\n"},
    };
    for (const Case& c : cases) {
        const auto script = ShellCommand::script(c.text, {{"a", c.value}});
        EXPECT_TRUE(script) << c.text;
        if (!script || !c.expected)
            continue;
        for (const char* shell : shells) {
            const ShellRun run = runInShell(*script, folder.path(), shell);
            EXPECT_EQ(run.output.toStdString(), c.expected) << shell << ": " << c.text;
        }
    }
}

// What a profile may export into the environment (here: the environment the login shell
// starts with) does not change how bash reads the template: a function under a program's name
// ("export -f"), or shell options (SHELLOPTS, BASHOPTS) such as "set -k", which takes
// "x=value" words out of the arguments.
TEST_F(ShellCommandTest, WhatAProfileExportsLeavesTheTemplateAsRead) {
    const QString canary = folder.filePath("canary");
    const QString value = "touch " + canary;
    struct Case {
        const char* name;
        const char* variable;
        const char* setting;
        const char* text;
        QString expected;
    };
    const Case cases[] = {
        {"a function named printf", "BASH_FUNC_printf%%", "() { eval \"$2\"; }",
         "printf '[%s]' {{a}}", "[" + value + "]"},
        {"set -k", "SHELLOPTS", "braceexpand:hashall:interactive-comments:keyword",
         "printf '[%s]' x={{a}}", "[x=" + value + "]"},
        {"shopt -s extglob", "BASHOPTS", "extglob", "shopt -q extglob || printf '[%s]' {{a}}",
         "[" + value + "]"},
    };
    for (const Case& c : cases) {
        const auto script = scriptOf(c.text, {{"a", value}});
        for (const char* shell : shells) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(c.variable, c.setting);
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(folder.path());
            process.start(shell, ShellCommand::loginShellArguments(script));
            ASSERT_TRUE(process.waitForFinished(10000)) << shell;
            // The login shell's own start-up files may print under "set -k" before it hands
            // over; what counts is what the template printed, last.
            const QString output = QString::fromUtf8(process.readAllStandardOutput());
            EXPECT_TRUE(output.endsWith(c.expected))
                << c.name << ", " << shell << ": " << output.right(200).toStdString();
            EXPECT_FALSE(QFile::exists(canary)) << c.name << ", " << shell;
            QFile::remove(canary);
        }
    }
}

// A profile that moves the positional parameters ("shift" at its top level) would hand a value
// to the place of another (here b's, which make reads as a setting, to a's), and can never make
// one the script, which is part of the login shell's own command text: nothing runs.
TEST_F(ShellCommandTest, AProfileThatShiftsRunsNothing) {
    QTemporaryDir home;
    writeFile(home.filePath(".profile"), "shift\n");
    writeFile(home.filePath(".zprofile"), "shift\n");
    const QString canary = folder.filePath("canary");
    const auto script = scriptOf("make -s -f /dev/null {{a}} 2>/dev/null; printf '[%s]' {{b}}",
                                 {{"a", "notiz"}, {"b", "x:=$(shell touch " + canary + ")"}});
    for (const char* shell : shells) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("ZDOTDIR", home.path());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(shell, ShellCommand::loginShellArguments(script));
        ASSERT_TRUE(process.waitForFinished(10000)) << shell;
        EXPECT_FALSE(QFile::exists(canary)) << shell;
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()), "") << shell;
        EXPECT_NE(process.exitCode(), 0) << shell;
        QFile::remove(canary);
    }
}
