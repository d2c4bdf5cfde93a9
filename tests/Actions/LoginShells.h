#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

#include "Actions/ShellCommand.h"

// What the shell action tests share: running a script as an action runs it, and checking a
// refusal.

// The shells a login shell may be; scripts/setup installs all of them.
inline const char* const shells[] = {"/bin/sh", "/bin/bash", "/usr/bin/zsh", "/usr/bin/ksh"};

struct ShellRun {
    int exitCode = -1;
    QString output;
};

// Runs `script` as a shell action does: started by `shell` as a login shell inside `folder`.
inline ShellRun runInShell(const ShellCommand::Script& script, const QString& folder,
                           const char* shell) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(shell, ShellCommand::loginShellArguments(script));
    EXPECT_TRUE(process.waitForFinished(10000)) << shell;
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// A template, the value of its "{{a}}", and the refusal expected: its reason and the piece of
// the template it names.
struct RefusedRow {
    QString text;
    QString value;
    ShellCommand::Refusal::Reason reason;
    QString construct;
};

// The refusal of `text` with `value` in "{{a}}", expected for `reason` at `construct` with that
// one placeholder; none (a failure) where it would run.
inline std::optional<ShellCommand::Refusal> expectRefused(const QString& text, const QString& value,
                                                          ShellCommand::Refusal::Reason reason,
                                                          const QString& construct) {
    const auto prepared = ShellCommand::prepare(text, {{"a", value}});
    const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
    EXPECT_TRUE(refusal) << text.toStdString() << " ran";
    if (!refusal)
        return std::nullopt;
    EXPECT_EQ(refusal->reason, reason) << text.toStdString();
    EXPECT_EQ(refusal->placeholders, QStringList{"a"}) << text.toStdString();
    EXPECT_EQ(refusal->construct.toStdString(), construct.toStdString()) << text.toStdString();
    return *refusal;
}

// Runs `command` with bash inside bubblewrap, in `folder` (the one place it may write), without
// a network, with `environment` ("NAME=value") besides Tavrin's own: what a template does when
// nothing checks it.
inline void runSandboxed(const QString& command, const QString& folder,
                         const QStringList& environment = {}) {
    QStringList arguments = {"-s",
                             "KILL",
                             "10",
                             "bwrap",
                             "--ro-bind",
                             "/",
                             "/",
                             "--bind",
                             folder,
                             folder,
                             "--dev",
                             "/dev",
                             "--proc",
                             "/proc",
                             "--unshare-net",
                             "--die-with-parent",
                             "--chdir",
                             folder};
    for (const QString& setting : environment)
        arguments += {"--setenv", setting.section('=', 0, 0), setting.section('=', 1)};
    arguments += {"/bin/bash", "-c", command};
    QProcess process;
    process.start("timeout", arguments);
    EXPECT_TRUE(process.waitForFinished(15000)) << command.toStdString();
}
