#include <gtest/gtest.h>

#include <variant>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "LoginShells.h"

// A program may read more of a word than a leading "-": "+command", "!command", a name it
// opens through a shell, an operator of its expression. A value is judged by every such edge,
// as the whole text of its word. (What the programs take as data runs: see the ordinary
// templates of ShellProgramTablesTest.)

namespace {

using Reason = ShellCommand::Refusal::Reason;

}  // namespace

// Each row ran the value as a command, or as an option or operator, with the installed
// program in every login shell.
TEST(ShellProgramSyntaxTest, ValuesAProgramReadsAsItsOwnSyntaxAreRefused) {
    const QString touch = "touch /tmp/canary";
    const QString tcp = "/dev/tcp/127.0.0.1/9";
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
        {"sox -t wav {{a}} out.wav", "FTP://x/`" + touch + "`", "", Reason::readAsCommand, "{{a}}"},
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
        // the whole word a value is part of, template text around it included
        {"perl -ne 'print if /TODO/' notes/{{a}}", "x;" + touch + "|", "", Reason::readAsCommand,
         "notes/{{a}}"},
        {"sox https://radio.example/{{a}} out.wav", "x$(" + touch + ")", "", Reason::readAsCommand,
         "https://radio.example/{{a}}"},
        {"sort {{a}}o/tmp/canary f", "-", "", Reason::option, "{{a}}o/tmp/canary"},
        {"sort {{{a}},}{{b}}", "-", "o/tmp/canary", Reason::option, "{{{a}},}{{b}}"},
        // sox: a value that names an effect begins one; "--" covers the next file name only
        {"sox in.wav out.wav trim {{a}} {{b}}", "spectrogram", "-o/tmp/canary",
         Reason::readAsCommand, "{{a}}"},
        {"sox -- in.wav {{a}}", "--plot=gnuplot", "", Reason::option, "{{a}}"},
        // ImageMagick reads "+name" as an option
        {"convert x.png {{a}} {{b}} -append out.png", "+write", "/tmp/canary", Reason::option,
         "{{a}}"},
        // bash opens a redirection's target under /dev/tcp and /dev/udp as a connection
        {"echo {{b}} > {{a}}", "/dev/tcp/127.0.0.1/9", "hallo", Reason::network, "{{a}}"},
        {"echo {{b}} > /dev/{{a}}", "udp/127.0.0.1/9", "hallo", Reason::network, "/dev/{{a}}"},
        {"echo {{b}} > /dev/{{a}}/127.0.0.1/9", "tcp", "hallo", Reason::network,
         "/dev/{{a}}/127.0.0.1/9"},
        {"d=/dev; echo {{b}} > \"$d/\"{{a}}", "tcp/127.0.0.1/9", "hallo", Reason::network,
         "\"$d/\"{{a}}"},
        // git push and fetch: ":" deletes the remote branch, "+" forces, after any "--"
        {"git push -q origin {{a}}", ":main", "", Reason::refspec, "{{a}}"},
        {"git push -q origin --end-of-options {{a}}", ":main", "", Reason::refspec, "{{a}}"},
        {"git fetch origin {{a}}", "+main:main", "", Reason::refspec, "{{a}}"},
        // lists of names and settings a program reads from its input or a file
        {"printf '%s\\n' {{b}} {{a}} | tar -xf b.tar -T -", "-C/tmp", "x", Reason::option,
         "tar -T"},
        {"echo {{a}} | curl -sK -", "output = /tmp/canary", "", Reason::readAsCommand, "curl -sK"},
        {"echo {{a}} > c; curl -sK c", "output = /tmp/canary", "", Reason::readAsCommand,
         "curl -sK"},
        {"echo {{a}} > l.m3u; sox l.m3u out.wav", "|" + touch, "", Reason::readAsCommand, "l.m3u"},
        // a value split into words: the second stands where options are read
        {"x={{a}}; git log --author $x", "me --output=/tmp/canary", "", Reason::option, "$x"},
        // an empty value leaves its word to the template's text after it
        {"git push -q origin {{a}}:{{b}}", "", "main", Reason::refspec, "{{a}}:{{b}}"},
        {"sort {{a}}-o/tmp/canary f", "", "", Reason::option, "{{a}}-o/tmp/canary"},
        // text nobody can read before bash runs, beside a value, counts at its worst
        {"perl -lne 'print length' \"$HOME/{{a}}\"", "x;" + touch + " |", "", Reason::readAsCommand,
         "\"$HOME/{{a}}\""},
        {"sox \"http://{{a}}/stream.mp3\" out.wav", "x`" + touch + "`", "", Reason::readAsCommand,
         "\"http://{{a}}/stream.mp3\""},
        {"url=http://radio.example; sox \"$url/{{a}}\" out.wav", "x`" + touch + "`", "",
         Reason::readAsCommand, "\"$url/{{a}}\""},
        {"x=o/tmp/canary; sort {{a}}\"$x\" f", "-", "", Reason::option, "{{a}}\"$x\""},
        {"sed -n p {{a}}\"${ext:-i.bak}\" f", "-", "", Reason::option, "{{a}}\"${ext:-i.bak}\""},
        // a redirection's target a value reaches through the template's own words
        {"f={{a}}; echo {{b}} > \"$f\"", tcp, "hallo", Reason::network, "\"$f\""},
        {"for f in {{a}}; do echo {{b}} > \"$f\"; done", tcp, "hallo", Reason::network, "\"$f\""},
        {"w() { echo {{b}} > \"$1\"; }; w {{a}}", tcp, "hallo", Reason::network, "\"$1\""},
        {"set -- {{a}}; echo {{b}} > \"$1\"", tcp, "hallo", Reason::network, "\"$1\""},
        {"printf -v out %s {{a}}; echo {{b}} > \"$out\"", tcp, "hallo", Reason::network,
         "\"$out\""},
        {"echo {{b}} > \"$(echo {{a}})\"", tcp, "hallo", Reason::network, "\"$(echo {{a}})\""},
        {"out={{a}}; exec > \"$out\"; echo {{b}}", tcp, "hallo", Reason::network, "\"$out\""},
        {"x={{a}}; echo {{b}} > \"${x}/9\"", "/dev/tcp/127.0.0.1", "hallo", Reason::network,
         "\"${x}/9\""},
        // files a program reads as its settings, which may run commands
        {"printf 'Host nas\\n  User %s\\n' {{a}} > cfg; ssh -F cfg nas true",
         "ich\nProxyCommand " + touch, "", Reason::readAsCommand, "ssh -F"},
        {"printf '[user]\\n\\tname = %s\\n' {{a}} >> ~/.gitconfig; git status --short",
         "Max\n[core]\n\tfsmonitor = " + touch, "", Reason::readAsCommand, "~/.gitconfig"},
        // dd reads "of=FILE" among its operands
        {"dd if=notiz.txt {{a}} status=none", "of=/tmp/canary", "", Reason::readAsCommand, "{{a}}"},
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
