#include <gtest/gtest.h>

#include <variant>

#include "SandboxedRows.h"

// Names and files a value made carry the value: a file any program wrote and the template
// then runs, a settings file reached by whatever path, a name a value put into the folder and
// a pattern or find brings back, the name grep prints for its input.

namespace {

using Reason = ShellCommand::Refusal::Reason;

const QString canaryCode = "touch canary";
const QString fsmonitor = "[core]\n\tfsmonitor = \"touch canary\"";

}  // namespace

TEST(ShellWrittenNamesTest, AFileAProgramWroteWithAValueIsNotRun) {
    const SandboxedRow rows[] = {
        {"cp /dev/stdin s <<< {{a}}; sh s", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} | dd of=s.sh status=none; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        {"install -m 755 /dev/stdin s.sh <<< {{a}}; ./s.sh", canaryCode, Reason::evaluated, "s.sh"},
        {"echo {{a}} | awk '{ print > \"s.sh\" }'; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} | sed -n 'w s.sh'; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} | python3 -c 'import sys; open(\"s.sh\", \"w\").write(sys.stdin.read())'; "
         "sh s.sh",
         canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} > t; cp t s.sh; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} > t; mv t s.sh; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} > t; ln -s t s.sh; sh s.sh", canaryCode, Reason::evaluated, "sh"},
        // reached by a pattern, by find, by the names make and git look for themselves
        {"echo {{a}} > a.sh; sh *.sh", canaryCode, Reason::evaluated, "sh"},
        {"echo {{a}} > a.sh; find . -name '*.sh' -exec sh {} \\;", canaryCode, Reason::evaluated,
         "sh"},
        {"printf '%s\\n' {{a}} > Makefile; make -s", "all:\n\ttouch canary", Reason::readAsCommand,
         "Makefile"},
        {"git init -q; printf '%s\\n' {{a}} > .git/hooks/pre-commit; chmod +x "
         ".git/hooks/pre-commit; git -c user.name=a -c user.email=a@b commit -q --allow-empty "
         "-m x",
         "#!/bin/sh\ntouch canary", Reason::readAsCommand, ".git/hooks/pre-commit"},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
}

TEST(ShellWrittenNamesTest, AValueReachesNoSettingsFileByAnyPath) {
    const SandboxedRow rows[] = {
        {"git init -q; f=.git/config; echo {{a}} >> \"$f\"; git status", fsmonitor,
         Reason::readAsCommand, "\"$f\""},
        {"git init -q; echo {{a}} | dd of=.git/config oflag=append conv=notrunc status=none; git "
         "status",
         fsmonitor, Reason::readAsCommand, ".git/config"},
        {"cp /dev/stdin ~/.bashrc <<< {{a}}; bash -ic true", canaryCode, Reason::readAsCommand,
         "~/.bashrc"},
        {"sed -i 's/^x=.*/x={{a}}/' ~/.bashrc; bash -ic true",
         "$(touch canary)",
         Reason::readAsCommand,
         "~/.bashrc",
         {{".bashrc", "x=1\n"}}},
        {"echo {{a}} >> ~/.bash_logout; bash -lc exit", canaryCode, Reason::readAsCommand,
         "~/.bash_logout"},
        {"echo {{a}} >> ~/.zlogout; zsh -lic exit < /dev/null", canaryCode, Reason::readAsCommand,
         "~/.zlogout"},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
    // Files programs read as their own, each a row of its own; the sandbox runs none of them.
    for (const QString file :
         {"~/.bash_aliases", "~/.config/autostart/x.desktop", "~/.ssh/authorized_keys", "~/.ssh/rc",
          "~/.vimrc", "~/.exrc", "~/.tmux.conf", "~/.config/systemd/user/x.service",
          "~/.xsessionrc", "~/.xprofile", "~/.local/share/applications/x.desktop",
          "~/.config/fish/config.fish", "~/.mailcap", "~/.npmrc",
          "~/.local/lib/python3.11/site-packages/x.pth"})
        expectRefused("echo {{a}} >> " + file, canaryCode, Reason::readAsCommand, file);
    // The file's name is a value: it may not name such a file, and any other runs.
    const auto named = [](const QString& name) {
        return ShellCommand::prepare("echo {{t}} >> {{f}}; git status",
                                     {{"t", fsmonitor}, {"f", name}});
    };
    const auto prepared = named("./.git//config");
    const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->placeholders, QStringList{"f"});
    EXPECT_TRUE(std::holds_alternative<ShellCommand::Script>(named("notizen.txt")));
}

TEST(ShellWrittenNamesTest, ANameAValuePutIntoTheFolderCarriesIt) {
    const SandboxedRow rows[] = {
        {"touch -- {{a}}; for f in *; do sh -c \"echo $f\"; done", "x;touch canary",
         Reason::throughVariable, "sh -c"},
        {"touch -- {{a}}; find . -exec sh -c 'ls {}' \\;", "x;touch canary", Reason::evaluated,
         "find -exec"},
        {"mkdir -p -- {{a}}; find {{a}} -exec sh -c 'ls {}' \\;", "x;touch canary",
         Reason::evaluated, "find -exec"},
        {"touch -- {{a}}; sort *", "-ocanary", Reason::option, "*"},
        {"mkdir -p -- {{a}}; sort *", "-ocanary", Reason::option, "*"},
        {"> {{a}}; sort *", "-ocanary", Reason::option, "*"},
        {"touch -- {{a}}; for f in *; do sort \"$f\" notes.txt; done", "-ocanary", Reason::option,
         "\"$f\""},
        // grep prints its --label as the name of its input
        {"grep -l --label={{a}} Fix - < notes.txt | xargs -I{} sh -c \"{}\"", canaryCode,
         Reason::throughVariable, "xargs"},
    };
    for (const SandboxedRow& row : rows)
        expectRefusedAndRunsUnchecked(row);
}
