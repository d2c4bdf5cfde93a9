#include <gtest/gtest.h>

#include <QStandardPaths>
#include <iostream>
#include <variant>

#include "Actions/ShellCommand.h"
#include "LoginShells.h"

// A program is known by what it is: the name a command types is followed the way the shell
// finds the program (search path, links, the Debian alternatives, versioned names), a program
// the reader cannot place gets the strict rules, and one it does not know that names a program
// it knows may run that program.

namespace {

using Reason = ShellCommand::Refusal::Reason;

}  // namespace

// Each row ran the value as a command, or as an option, with the installed programs in every
// login shell.
TEST(ShellProgramIdentityTest, ProgramsUnderOtherNamesOrBehindUnknownRunnersAreJudgedAsThemselves) {
    const QString touch = "touch /tmp/canary";
    const QString vimCommand = "+call system('touch /tmp/canary')|qa!";
    struct Case {
        QString text;
        QString value;
        Reason reason;
        QString construct;
        const char* installed;  // the row means something only where this program is
    };
    const Case cases[] = {
        // known programs under other names
        {"editor -es {{a}}", vimCommand, Reason::readAsCommand, "{{a}}", "editor"},
        {"vim.basic -es {{a}}", vimCommand, Reason::readAsCommand, "{{a}}", "vim.basic"},
        {"echo {{a}} | zsh5", touch, Reason::evaluated, "zsh", "zsh5"},
        {"echo {{a}} | rksh93", touch, Reason::evaluated, "ksh93", "rksh93"},
        // ksh93 runs a script name it cannot find as a command line
        {"rksh93 x{{a}}", "$(" + touch + ")", Reason::evaluated, "ksh93", "rksh93"},
        {"perl5.36-x86_64-linux-gnu -ne print {{a}}", touch + "|", Reason::readAsCommand, "{{a}}",
         "perl5.36-x86_64-linux-gnu"},
        // another program under a name like a known one's: diff3 is not diff, whose -x takes
        // a word, nor is shutdown systemctl, whose -H takes a host
        {"diff3 -x {{a}} m o y", "--diff-program=/tmp/canary", Reason::option, "{{a}}", "diff3"},
        {"shutdown -H {{a}}", "--now", Reason::option, "{{a}}", "shutdown"},
        // a program the reader cannot place: the strict rules
        {"sensible-editor {{a}}", vimCommand, Reason::readAsCommand, "{{a}}", "sensible-editor"},
        {"pandoc {{a}}", "!" + touch, Reason::readAsCommand, "{{a}}", nullptr},
        {"pandoc {{a}}", "|" + touch, Reason::readAsCommand, "{{a}}", nullptr},
        {"pandoc {{a}}", touch + " | ", Reason::readAsCommand, "{{a}}", nullptr},
        {"pandoc {{a}}", "(", Reason::expression, "{{a}}", nullptr},
        {"pandoc {{a}}", ">notiz.txt", Reason::readAsCommand, "{{a}}", nullptr},
        // runners the reader does not list, in front of a program it knows
        {"setarch x86_64 ed -s {{a}}", "!" + touch, Reason::readAsCommand, "{{a}}", "setarch"},
        {"linux64 ed -s {{a}}", "!" + touch, Reason::readAsCommand, "{{a}}", "linux64"},
        {"/usr/bin/time -q sh -c {{a}}", touch, Reason::evaluated, "sh -c", "time"},
        {"echo {{a}} | /usr/bin/time -q sh", touch, Reason::evaluated, "sh", "time"},
        {"ssh-agent sh -c {{a}}", touch, Reason::evaluated, "sh -c", "ssh-agent"},
        {"bwrap --ro-bind / / sh -c {{a}}", touch, Reason::evaluated, "sh -c", "bwrap"},
        {"gdb --args ed -s {{a}}", "!" + touch, Reason::readAsCommand, "{{a}}", nullptr},
        {"ccache perl -ne print {{a}}", touch + "|", Reason::readAsCommand, "{{a}}", nullptr},
        {"fakeroot-tcp sh -c {{a}}", touch, Reason::evaluated, "sh -c", nullptr},
        {"start-stop-daemon -S -x /usr/bin/ed -- -s {{a}}", "!" + touch, Reason::readAsCommand,
         "{{a}}", nullptr},
        // a program through a variable, and a "--" that may be the runner's own
        {"bwrap --ro-bind / / \"$SHELL\" -c {{a}}", touch, Reason::unknownCommand, "$SHELL",
         nullptr},
        {"start-stop-daemon -S -x /bin/sh -- -c {{a}}", touch, Reason::evaluated, "sh -c", nullptr},
        {"start-stop-daemon -S -x /bin/sh -- -s <<< {{a}}", touch, Reason::evaluated, "sh",
         nullptr},
        // a program it knows among the runner's own words, and one glued to an option
        {"bwrap --dev-bind / / --setenv PAGER less sh -c {{a}}", touch, Reason::evaluated, "sh -c",
         "bwrap"},
        {"echo {{a}} | bwrap --dev-bind / / --setenv X date sh", touch, Reason::evaluated, "sh",
         "bwrap"},
        {"start-stop-daemon --start --exec=/bin/sh -- -c {{a}}", touch, Reason::unknownCommand,
         "--exec=/bin/sh", nullptr},
        // shells by their other names
        {"busybox ash -c {{a}}", touch, Reason::evaluated, "ash -c", nullptr},
        // a program word bash computes, behind a runner the reader does not know
        {"/usr/bin/time -q \"$(command -v bash)\" -c {{a}}", touch, Reason::unknownCommand,
         "$(command -v bash)", "time"},
        {"ssh-agent `command -v bash` -c {{a}}", touch, Reason::unknownCommand, "`command -v bash`",
         "ssh-agent"},
        {"bwrap --ro-bind / / $sh -c {{a}}", touch, Reason::unknownCommand, "$sh", "bwrap"},
        {"/usr/bin/time -q ${SHELL:0:0}sh -c {{a}}", touch, Reason::unknownCommand,
         "${SHELL:0:0}sh", "time"},
        {"sh=bash; /usr/bin/time -q $sh -c {{a}}", touch, Reason::unknownCommand, "$sh", "time"},
        // a known program among the runner's own words hides none after it: "ls" is time's
        // output file, git the program
        {"/usr/bin/time -o ls git push -q origin {{a}}", ":main", Reason::refspec, "{{a}}", "time"},
        // the command of find's -exec is read as any other command
        {"find . -name a.txt -exec ed -s {{a}} \\;", "!" + touch, Reason::readAsCommand, "{{a}}",
         nullptr},
        {"find . -name a.txt -exec vim -es {{a}} \\;", vimCommand, Reason::readAsCommand, "{{a}}",
         nullptr},
        {"find . -name a.wav -exec sox {{a}} out.wav \\;", "|" + touch, Reason::readAsCommand,
         "{{a}}", nullptr},
        {"find . -name a.txt -exec perl -ne print {{a}} \\;", touch + "|", Reason::readAsCommand,
         "{{a}}", nullptr},
        {"find . -name a.png -exec convert {} {{a}} canary.png out.png \\;", "+write",
         Reason::option, "{{a}}", nullptr},
    };
    for (const Case& c : cases) {
        if (c.installed && QStandardPaths::findExecutable(c.installed).isEmpty()) {
            std::cout << "[ skipped  ] " << c.text.toStdString() << ": " << c.installed
                      << " is not installed here\n";
            continue;
        }
        expectRefused(c.text, c.value, c.reason, c.construct);
    }
}

// What people write for programs the reader does not know: text, file names, numbers and
// addresses run; so do the words after node's script, which are the script's.
TEST(ShellProgramIdentityTest, OrdinaryValuesForUnknownProgramsRun) {
    const struct {
        QString text;
        QString value;
    } cases[] = {
        {"pandoc {{a}} -o out.pdf", "Bericht März (Entwurf).md"},
        {"pandoc {{a}} -o out.pdf", "notizen/2024-05-01.md"},
        {"docker run --rm {{a}}", "ubuntu:24.04"},
        {"yt-dlp {{a}}", "https://example.org/watch?v=abc&t=1"},
        {"ffmpeg -ss {{a}} -i in.mp4 out.mp4", "12.5"},
        {"sensible-editor {{a}}", "notiz.txt"},
        {"mytool {{a}}", "Max Mustermann, Bonn"},
        {"node script.js {{a}}", "-5 Grad"},
        {"node script.js {{a}}", "--help"},
        {"bwrap --bind \"$HOME\" \"$HOME\" ls {{a}}", "Bericht März.txt"},
        // a second shell's script behind a runner: "$1" inside '…' names no program
        {"bwrap --ro-bind / / sh -c 'ed -s \"$1\"' sh {{a}}", "notiz.txt"},
        {"f=notiz.md; pandoc \"$f\" -o {{a}}", "Bericht März.pdf"},
        {"start-stop-daemon -S -x /bin/ls -- {{a}}", "Bericht März.txt"},
        {"watch --exe ls {{a}}", "Bericht; März.txt"},
        // "+" as these programs' own data: a tag, a step up
        {"task add {{a}}", "+arbeit Bericht schreiben"},
        {"brightnessctl set {{a}}", "+10%"},
        // "-S" of the program env runs is not env's
        {"env LANG=C ls -lS {{a}}", "Downloads"},
        {"env LANG=C sort -S 1G {{a}}", "liste.txt"},
        // everyday templates for programs whose options are known from their manuals
        {"wl-copy -- {{a}}", "-> morgen 9 Uhr"},
        {"mail -s {{a}} anna@example.org", "-20 % Rabatt im März"},
        {"shutdown -h {{a}}", "+30"},
        {"kdeconnect-cli -d abc --destination {{a}} --send-sms Hallo", "+4917612345678"},
        {"todo.sh add {{a}}", "+Garten Rasen mähen"},
        {"nmcli dev wifi connect Heim password {{a}}", "-Geheim123!"},
    };
    for (const auto& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.value}});
        EXPECT_TRUE(std::holds_alternative<ShellCommand::Script>(prepared))
            << c.text.toStdString() << " with " << c.value.toStdString();
    }
}
