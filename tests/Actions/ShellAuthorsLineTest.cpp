#include <gtest/gtest.h>

#include "SandboxedRows.h"

// Code that no word of the template holds as code: a shell a program starts without naming it,
// a module's name, a setting a configuring command writes, an interactive interpreter's input,
// a variable of a program's options, zsh's zmv. A value there is refused.

namespace {

using Reason = ShellCommand::Refusal::Reason;

const QString code = "touch canary";

}  // namespace

TEST(ShellAuthorsLineTest, ProgramsThatStartAShellWithoutNamingOne) {
    const SandboxedRow rows[] = {
        {"capsh -- -c {{a}}", code, Reason::evaluated, "capsh"},
        {"echo {{a}} | capsh --", code, Reason::evaluated, "capsh"},
        {"echo {{a}} | fakeroot-sysv", code, Reason::evaluated, "fakeroot-sysv"},
        {"echo {{a}} | fakeroot-tcp", code, Reason::evaluated, "fakeroot-tcp"},
        {"echo {{a}} | x86_64", code, Reason::evaluated, "x86_64"},
        {"echo {{a}} | i386", code, Reason::evaluated, "i386"},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
}

TEST(ShellAuthorsLineTest, CodeAProgramTakesBesidesItsScriptIsRefused) {
    const SandboxedRow rows[] = {
        // a module's name
        {"perl -M{{a}} -e 1", "strict;system(\"touch canary\")", Reason::evaluated, "perl -M"},
        {"node --import={{a}} -e 1",
         "data:text/javascript,import fs from \"fs\"; fs.writeFileSync(\"canary\", \"\")",
         Reason::evaluated, "node --import"},
        // a setting that runs a command
        {"git init -q; git config {{a}} 'touch canary'; git status", "core.fsmonitor",
         Reason::evaluated, "git config"},
        {"git init -q; git config core.fsmonitor {{a}}; git status", code, Reason::evaluated,
         "git config"},
        // an interpreter that reads its input although it has a script
        {"echo {{a}} | python3 -i -c 1", "import os; os.system(\"touch canary\")",
         Reason::evaluated, "python3 -i"},
        {"echo {{a}} | python3 -m code", "import os; os.system(\"touch canary\")",
         Reason::evaluated, "python3 -i"},
        {"echo {{a}} | node -i -e 1", "require(\"fs\").writeFileSync(\"canary\", \"\")",
         Reason::evaluated, "node -i"},
        // variables a program reads as its options
        {"TAR_OPTIONS={{a}} tar -cf x.tar notes.txt",
         "--checkpoint=1 --checkpoint-action=exec=touch\\ canary", Reason::evaluated,
         "TAR_OPTIONS="},
        {"export PERL5OPT={{a}}; perl -e 1", "-Mstrict;system(q(touch),q(canary))",
         Reason::evaluated, "PERL5OPT="},
        // zmv evaluates its replacement
        {"zsh -c 'autoload -U zmv; zmv -W \"*.md\" \"$1\"' _ {{a}}",
         "$(touch canary)*.txt",
         Reason::evaluated,
         "zmv",
         {{"x.md", ""}}},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
    // The same where the sandbox cannot show it: a terminal, a server, a network.
    const RefusedRow refused[] = {
        {"echo {{a}} | perl -d -e 1", code, Reason::evaluated, "perl -d"},
        {"gh config set editor {{a}}", code, Reason::evaluated, "gh config"},
        {"tmux set-option -g default-command {{a}}", code, Reason::evaluated, "tmux config"},
        {"npm config set script-shell {{a}}", code, Reason::evaluated, "npm config"},
        {"NODE_OPTIONS={{a}} node -e 1", "--import=data:,x", Reason::evaluated, "NODE_OPTIONS="},
        {"MAKEFLAGS={{a}} make", "--eval=x", Reason::evaluated, "MAKEFLAGS="},
    };
    for (const RefusedRow& row : refused)
        expectRefused(row.text, row.value, row.reason, row.construct);
    // A key the template names that runs nothing takes any value.
    EXPECT_TRUE(ShellCommand::script("git config user.name {{a}}", {{"a", code}}));
}
