#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "AI/ShellCommand.h"
#include "support/Files.h"

namespace {

// Runs `command` in a real shell (/bin/sh unless told) inside `folder`; returns its output.
QString runInShell(const QString& command, const QString& folder,
                   const QString& shellPath = QStringLiteral("/bin/sh")) {
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(shellPath, {QStringLiteral("-c"), command});
    EXPECT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    return QString::fromUtf8(shell.readAllStandardOutput());
}

}  // namespace

TEST(ShellCommandTest, QuoteWrapsAndEscapesApostrophes) {
    EXPECT_EQ(ShellCommand::quote(""), "''");
    EXPECT_EQ(ShellCommand::quote("it's done"), "'it'\\''s done'");
    EXPECT_EQ(ShellCommand::fillQuoted("git -C {{project_path}} commit -m {{msg}}",
                                       {{"msg", "it's done"}, {"project_path", "/Users/a/My App"}})
                  .value(),
              "git -C '/Users/a/My App' commit -m 'it'\\''s done'");
    EXPECT_EQ(ShellCommand::fillQuoted("echo \"$({{a}})\" '{{a}}'", {{"a", "x"}}).value(),
              "echo \"$('x')\" '''x'''");
}

TEST(ShellCommandTest, FillScansTheTemplateOnce) {
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
TEST(ShellCommandTest, HostileValuesArriveAsOneLiteralWordInARealShell) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    writeFile(folder.filePath("file-for-globs"));

    // clang-format off
    const QStringList corpus = {
        "plain", "two words", "it's", "''", "'\\''", "say \"hi\"", "$HOME", "${HOME}",
        "$(echo INJECTED)", "`echo INJECTED`", "a; echo INJECTED", "a | cat", "a && echo INJECTED",
        "a || echo INJECTED", "line one\nline two", "trailing newline\n", "*", "?ile-for-globs",
        "[f]*", "~", "a\\b\\", "!1", "> out.txt", "# comment", "  spaced  ", "",
        "Grüße, „Zitat“ …", "{{b}}", "{{project_path}}", "'{{b}}'"};
    // clang-format on
    for (const QString& value : corpus) {
        // a holds the value; b holds a command substitution that must never run, even when
        // a's value names b.
        const QString command =
            ShellCommand::fillQuoted(
                "printf '[%s]' {{a}}; printf '|%s' {{b}}",
                {{"a", value}, {"b", "$(echo INJECTED)"}, {"project_path", "`echo INJECTED`"}})
                .value();
        const QString output = runInShell(command, folder.path());
        EXPECT_EQ(output, "[" + value + "]|$(echo INJECTED)") << value.toStdString();
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("out.txt")));
}

// Templates quote placeholders themselves, too ("{{msg}}", '{{msg}}'): a value must stay one
// literal piece of the word there as well, never reaching the shell unquoted.
TEST(ShellCommandTest, PlaceholdersInsideTheTemplatesOwnQuotesStayLiteral) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
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
    };
    for (const char* shell : {"/bin/sh", "/bin/bash"}) {
        for (const Case& c : cases) {
            for (const QString& value : values) {
                const std::optional<QString> command =
                    ShellCommand::fillQuoted(c.text, {{"a", value}});
                ASSERT_TRUE(command) << c.text;
                const QString expected =
                    c.after ? QString(c.before) + value + c.after : QString(c.before);
                const QString output = runInShell(*command, folder.path(), shell);
                EXPECT_EQ(output, expected)
                    << shell << ": " << c.text << " with " << value.toStdString();
            }
        }
    }
}

// Where the shell would read a value again (inside backquotes, ${…}, arithmetic, array
// subscripts, right after "$", in a here-document), no quoting can keep it literal: such a
// template is refused.
TEST(ShellCommandTest, PlaceholdersWhereNoQuotingHoldsAreRefused) {
    // clang-format off
    const char* refused[] = {
        "echo `echo {{a}}`", "echo \"`echo {{a}}`\"", "echo ${x:-{{a}}}", "echo \"${x:-{{a}}}\"",
        "echo $(( {{a}} + 1 ))", "echo ${{a}}", "echo \"${{a}}\"", "cat <<EOF\n{{a}}\nEOF",
        "cat <<-'EOF'\n{{a}}\nEOF", "cat <<{{a}}", "echo $'x {{a}}'", "(( {{a}} ))",
        "echo $[ {{a}} ]", "x[{{a}}]=1", "x=( [{{a}}]=1 )", "[[ {{a}} -eq 1 ]]",
        "for (( i={{a}}; i<3; i++ )); do :; done", "echo \"$( (( {{a}} )) )\""};
    // clang-format on
    for (const char* text : refused)
        EXPECT_FALSE(ShellCommand::fillQuoted(text, {{"a", "x"}})) << text;
    // clang-format off
    const char* accepted[] = {
        "echo `date` {{a}}", "echo ${HOME} {{a}}", "echo $(( 1 + 2 )) {{a}}", "echo $ {{a}}",
        "echo {{unknown}} `echo {{unknown}}`", "cat <<< {{a}}", "[ {{a}} = x ]", "( echo {{a}} )",
        "echo *.[ch] {{a}}", "echo --opt=[{{a}}]", "echo \"$( (echo {{a}}) )\""};
    // clang-format on
    for (const char* text : accepted)
        EXPECT_TRUE(ShellCommand::fillQuoted(text, {{"a", "x"}})) << text;
}
