#include "Platform/linux/XdgTerminalLauncher.h"

#include <QProcess>

namespace Platform {

namespace {

// Fixed text: the command arrives as positional parameters and is never read as script.
// When it ends, the shell replaces itself with an interactive login shell ($0 is the shell),
// which keeps the window open.
const QString keepOpenScript = QStringLiteral("\"$@\"; exec \"$0\" -l");

bool startDetached(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

}  // namespace

XdgTerminalLauncher::XdgTerminalLauncher(QString shell, Starter starter)
    : shell_(std::move(shell)), starter_(starter ? std::move(starter) : Starter(&startDetached)) {}

QList<QStringList> XdgTerminalLauncher::candidates(const QString& shell,
                                                   const QStringList& command) {
    if (command.isEmpty() || shell.isEmpty())
        return {};
    const QStringList run =
        QStringList{shell, QStringLiteral("-lc"), keepOpenScript, shell} + command;
    const auto with = [&](const QString& program, const QStringList& before) {
        return QStringList{program} + before + run;
    };
    return {
        // Debian's policy for the alternative: -e takes the program and its arguments.
        with(QStringLiteral("x-terminal-emulator"), {QStringLiteral("-e")}),
        with(QStringLiteral("gnome-terminal"), {QStringLiteral("--")}),
        with(QStringLiteral("konsole"), {QStringLiteral("-e")}),
        // Its -e takes one string that it splits itself; -x takes the rest as words.
        with(QStringLiteral("xfce4-terminal"), {QStringLiteral("-x")}),
        with(QStringLiteral("xterm"), {QStringLiteral("-e")}),
    };
}

bool XdgTerminalLauncher::runInTerminal(const QStringList& command) {
    for (const QStringList& candidate : candidates(shell_, command))
        if (starter_(candidate.first(), candidate.mid(1)))
            return true;
    return false;
}

}  // namespace Platform
