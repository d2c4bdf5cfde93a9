#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <variant>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "LoginShells.h"
#include "support/Files.h"

// A program may read more of a word than a leading "-": "+command", "!command", a name it
// opens through a shell, an operator of its expression. A value is judged by every such edge,
// as the whole text of its word; where the program takes the word as data, it runs.

namespace {

using Reason = ShellCommand::Refusal::Reason;

}  // namespace

// Each row ran the value as a command, or as an option or operator, with the installed
// program in every login shell.
TEST(ShellProgramSyntaxTest, ValuesAProgramReadsAsItsOwnSyntaxAreRefused) {
    const QString touch = "touch /tmp/canary";
    struct Case {
        QString text;
        QString a;
        QString b;
        Reason reason;
        QString word;  // as the refusal names it
    };
    const Case cases[] = {
        // file names sox and its kin open through a shell
        {"sox {{a}} out.wav", "|" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"soxi {{a}}", "|" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"play -q {{a}}", "|" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"sox {{a}} out.wav", "http://x/$(" + touch + ")", "", Reason::readAsCommand, "{{a}}"},
        {"sox -t wav {{a}} out.wav", "FTP://x/`" + touch + "`", "", Reason::readAsCommand,
         "{{a}}"},
        // ed reads a file named "!command" as its output
        {"ed -s {{a}}", "!" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"ed -s -- {{a}}", "!" + touch, "", Reason::readAsCommand, "{{a}}"},
        // perl's two-argument open drops blanks at both ends
        {"perl -ne 'print' {{a}}", touch + " |  ", "", Reason::readAsCommand, "{{a}}"},
        {"perl -ne 'print' {{a}}", " |" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"perl -ne 'print' {{a}}", touch + " |\n", "", Reason::readAsCommand, "{{a}}"},
        // vim in Ex mode: "-s" is silent mode and takes no word
        {"vim -es {{a}}", "+!" + touch, "", Reason::readAsCommand, "{{a}}"},
        {"vim -e -s {{a}}", "+!" + touch, "", Reason::readAsCommand, "{{a}}"},
        // find: "--" ends only -H, -L and -P; "!" and "(" begin the expression
        {"find -- {{a}} -name '*.log'", "-delete", "", Reason::option, "{{a}}"},
        {"find {{a}} -name '*.log' -delete", "!", "", Reason::expression, "{{a}}"},
        {"find {{a}} -name '*.log' -delete", "(", "", Reason::expression, "{{a}}"},
        // values that make one word together, however they reach it
        {"x={{a}}; y={{b}}; sort \"$x$y\" f", "-", "oPWNED", Reason::option, "\"$x$y\""},
        {"x={{a}}; sort \"$x\"{{b}} f", "-", "oPWNED", Reason::option, "\"$x\"{{b}}"},
        {"x={{a}}; sort \"$x${y:-{{b}}}\" f", "-", "oPWNED", Reason::option, "\"$x${y:-{{b}}}\""},
        // a value split into words: the second stands where options are read
        {"x={{a}}; git log --author $x", "me --output=/tmp/canary", "", Reason::option, "$x"},
    };
    for (const Case& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.a}, {"b", c.b}});
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        ASSERT_TRUE(refusal) << c.text.toStdString() << " ran with " << c.a.toStdString();
        EXPECT_EQ(refusal->reason, c.reason) << c.text.toStdString();
        EXPECT_EQ(refusal->placeholders, QStringList{"a"}) << c.text.toStdString();
        EXPECT_EQ(refusal->construct.toStdString(), c.word.toStdString()) << c.text.toStdString();
    }
}

// What these programs take as data: the words after a shell's script and awk's program, the
// word of git log's -S and -G, sox's effects, the values of printf -v, an integer subscript,
// ImageMagick 7's name. Each runs in every login shell with the value as one word.
TEST(ShellProgramSyntaxTest, WhatTheProgramTakesAsDataRunsInEveryLoginShell) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString canary = folder.filePath("canary");
    const QString bin = folder.filePath("bin");
    // Stand-ins that print their arguments, one per bracket.
    for (const char* program : {"git", "sox", "magick"}) {
        writeFile(bin + "/" + program, "#!/bin/sh\nprintf '[%s]' \"$@\"\n");
        QFile(bin + "/" + program).setPermissions(QFile::ExeOwner | QFile::ReadOwner);
    }
    const QStringList words = {"-3", "--help", "-c", "$(touch " + canary + ")"};
    struct Case {
        const char* text;
        const char* expected;  // "%" stands for the value
        QStringList values;
    };
    const Case cases[] = {
        {"bash -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", words},
        {"sh -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", words},
        {"dash -c 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", words},
        {"zsh -fc 'printf \"[%s]\" \"$1\"' _ {{v}}", "[%]", words},
        {"awk 'BEGIN { printf \"[%s]\", ARGV[1] }' {{v}}", "[%]", words},
        {"git log -S {{v}} -G {{v}}", "[log][-S][%][-G][%]", words},
        {"sox in.wav out.wav gain {{v}} trim 0 {{v}} pitch {{v}}",
         "[in.wav][out.wav][gain][%][trim][0][%][pitch][%]", words},
        {"printf -v zeile '[%s|%s]' {{v}} {{v}}; printf %s \"$zeile\"", "[%|%]", words},
        {"magick bild.png -rotate {{v}} out.png", "[bild.png][-rotate][%][out.png]", words},
        {"farben=(rot gruen blau); printf '[%s]' \"${farben[{{v}}]}\"", "[gruen]", {"1"}},
        {"farben=(rot gruen blau); printf '[%s]' \"${farben[{{v}}]}\"", "[blau]", {"-1"}},
    };
    for (const char* shell : shells) {
        for (const Case& c : cases) {
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
