#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "Platform/TerminalLauncher.h"

namespace Platform {

// A terminal through the Debian alternative x-terminal-emulator, else the first of the common
// terminals that starts. The command runs in the user's login shell, as it would when typed,
// so that tools installed in ~/.local/bin are found; afterwards the same shell stays open in
// the window as an interactive one.
class XdgTerminalLauncher final : public TerminalLauncher {
public:
    // Starts `program` with `arguments`, detached; false when it could not be started.
    using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;

    explicit XdgTerminalLauncher(QString shell, Starter starter = {});

    bool runInTerminal(const QStringList& command) override;

    // Each terminal's program and arguments for `command` run by `shell`, in the order tried.
    // Each terminal has its own way of taking a command with its arguments as separate words.
    static QList<QStringList> candidates(const QString& shell, const QStringList& command);

private:
    QString shell_;
    Starter starter_;
};

}  // namespace Platform
