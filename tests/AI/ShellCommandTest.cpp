#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "AI/ShellCommand.h"
#include "support/Files.h"

namespace {

// The shells a login shell may be; scripts/setup installs all of them.
const char* const shells[] = {"/bin/sh", "/bin/bash", "/usr/bin/zsh", "/usr/bin/ksh"};

struct ShellRun {
    int exitCode = -1;
    QString output;
};

// Runs `script` in a real shell inside `folder`, the values as its positional parameters.
ShellRun runInShell(const ShellCommand::Script& script, const QString& folder, const char* shell) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(shell, QStringList{"-c", script.text, "tavrin"} + script.arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << shell;
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
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
        "echo `echo {{a}}`", "echo \"`echo {{a}}`\"", "echo ${x:-{{a}}}", "echo \"${x:-{{a}}}\"",
        "echo $(( {{a}} + 1 ))", "echo ${{a}}", "echo \"${{a}}\"", "cat <<EOF\n{{a}}\nEOF",
        "cat <<-'EOF'\n{{a}}\nEOF", "cat <<{{a}}", "echo $'x {{a}}'", "(( {{a}} ))",
        "echo $[ {{a}} ]", "x[{{a}}]=1", "x=( [{{a}}]=1 )", "[[ {{a}} -eq 1 ]]",
        "for (( i={{a}}; i<3; i++ )); do :; done", "echo \"$( (( {{a}} )) )\"",
        "let n={{a}}", "let \"n={{a}}\"", "eval {{a}}", "eval \"echo {{a}}\"",
        "eval \"$(echo {{a}})\"", "command eval '{{a}}'", "trap {{a}} EXIT", "read {{a}}",
        "printf -v {{a}} x", "declare {{a}}", "export {{a}}", "export \"{{a}}\"=1",
        "local -i n={{a}}", "typeset -a list=({{a}})", "export list=({{a}})",
        "declare -n ref={{a}}", "[ -v {{a}} ]", "test -v \"{{a}}\"", "compgen -W {{a}}",
        "n={{a}}; echo $((n+1))", "n={{a}}; (( n ))", "n={{a}}; let m=n",
        "x={{a}}; echo ${!x}", "x={{a}}; echo ${list[x]}", "x={{a}}; echo ${HOME:x}",
        "x={{a}}; [[ $x -gt 1 ]]", "declare -i n; n={{a}}", "integer n={{a}}",
        "echo \"$(case x in x) (( {{a}} ));; esac)\"", "echo ${x:-'}'} \"$(( {{a}} ))\"",
        "echo $(( $1 )) {{a}}", "echo ${x[$(echo {{a}})]}", "\"$@\"let n={{a}}",
        "$x let n={{a}}", "${x}eval {{a}}", "x={{a}}; read $x", "x={{a}}; printf -v \"$x\" y",
        "x={{a}}; unset \"$x\"", "x={{a}}; export \"$x\"", "PS4={{a}}; set -x; :",
        "export PROMPT_COMMAND={{a}}", "alias x={{a}}", "sh -c {{a}}", "bash -lc \"echo {{a}}\"",
        "sudo sh -c 'echo {{a}}'", "timeout 5 /bin/bash -e -c x{{a}}", ">out let n={{a}}",
        "2>&1 let n={{a}}", "&>/dev/null let n={{a}}", "x=1 >| f let n={{a}}",
        "time -p let n={{a}}", "function f { let n={{a}}; }; f", "nameref r={{a}}",
        "echo <(:) && let n={{a}}", "le\\\nt n={{a}}", "$'let' n={{a}}", "${x:-let} n={{a}}",
        "c=let; $c n={{a}}", "for c in let; do $c n={{a}}; done", "{let,x} n={{a}}",
        "l?t n={{a}}", "set -- let; $1 n={{a}}", "x[1]=1 let n={{a}}", ">&{{a}}",
        "echo x 1>& \"{{a}}\"", "RANDOM={{a}}", "export OPTIND=\"{{a}}\"",
        "f() { private {{a}}; }", "getln {{a}}", "compgen -C {{a}}", "wait -p {{a}}",
        "echo *(e:'true {{a}}':)", "f() { read {{a}}; }", "functions[1]={{a}}",
        "BASH_CMDS[ls]={{a}}; ls"};
    // clang-format on
    for (const char* text : refused)
        EXPECT_FALSE(ShellCommand::script(text, {{"a", "x"}})) << text;
    // clang-format off
    const char* accepted[] = {
        "echo `date` {{a}}", "echo ${HOME} {{a}}", "echo $(( 1 + 2 )) {{a}}", "echo $ {{a}}",
        "echo {{unknown}} `echo {{unknown}}`", "cat <<< {{a}}", "[ {{a}} = x ]", "( echo {{a}} )",
        "echo *.[ch] {{a}}", "echo --opt=[{{a}}]", "echo \"$( (echo {{a}}) )\"",
        "export NAME={{a}}", "export NAME=\"x {{a}}\"", "f() { local m={{a}}; echo \"$m\"; }; f",
        "list=( {{a}} ); echo \"${list[@]}\" ${#list[@]}", "echo ${HOME:-/} ${#HOME} {{a}}",
        "echo \"$(case x in x) echo {{a}};; esac)\"", "eval \"$(ssh-agent -s)\"; echo {{a}}",
        "printf '%s\\n' {{a}} | while read -r line; do echo \"$line\"; done",
        "echo 'let it be' {{a}}", "echo ${HOME:1:2} {{a}}", "x={{a}}; export Y=\"$x\"",
        "while read -r line; do echo \"$line\"; done <<< {{a}}",
        "sh -c 'printf %s \"$1\"' sh {{a}}", "bash script.sh -c {{a}}", "echo {{a}} >&2",
        "diff <(echo {{a}}) - <<< x", "echo {{a}} & wait", "echo x 2>/dev/null {{a}}",
        "\"$HOME/bin/tool\" {{a}}", "$EDITOR {{a}}"};
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
        {"cat [<<EOF\n]{{a}}\nEOF", true},
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
