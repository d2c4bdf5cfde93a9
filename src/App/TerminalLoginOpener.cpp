#include "App/TerminalLoginOpener.h"

#include <QRegularExpression>

#include "AI/CLIEnvironment.h"
#include "AI/ProviderSetup.h"
#include "AI/ProviderStatusStore.h"
#include "Actions/ShellCommand.h"
#include "Platform/Clipboard.h"
#include "Platform/TerminalLauncher.h"
#include "Settings/SettingsStore.h"

namespace {

// `command` as one line to paste into a shell: words of these characters mean the same to
// every POSIX shell; anything else (a space in the path, a quote, "~", "$") is quoted.
QString commandLine(const QStringList& command) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    QStringList words;
    for (const QString& word : command)
        words.append(plain.match(word).hasMatch() ? word : ShellCommand::quote(word));
    return words.join(QLatin1Char(' '));
}

}  // namespace

TerminalLoginOpener::TerminalLoginOpener(Platform::TerminalLauncher& terminals,
                                         Platform::Clipboard& clipboard, SettingsStore& settings)
    : terminals_(terminals), clipboard_(clipboard), settings_(settings) {}

QStringList TerminalLoginOpener::loginCommand(ProviderID provider, const QString& executable) {
    return QStringList{executable} + ProviderSetup::loginArguments(provider);
}

void TerminalLoginOpener::openLogin(ProviderID provider) {
    const QString name = ProviderStatusStore::programName(provider);
    CLIEnvironment::locateAsync(
        name, ProviderStatusStore::customPathFor(provider, settings_.settings()), &lookups_,
        [this, provider, name](const std::optional<QString>& executable) {
            // Found nowhere: the terminal's login shell may still know it by name, and
            // otherwise says so itself.
            run(loginCommand(provider, executable.value_or(name)));
        });
}

void TerminalLoginOpener::run(const QStringList& command) {
    if (terminals_.runInTerminal(command))
        return;
    Platform::ClipboardItem item;
    item.representations = {{QStringLiteral("text/plain"), commandLine(command).toUtf8()}};
    clipboard_.write({item});
}
