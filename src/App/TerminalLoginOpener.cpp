#include "App/TerminalLoginOpener.h"

#include "Platform/Clipboard.h"
#include "Platform/TerminalLauncher.h"

TerminalLoginOpener::TerminalLoginOpener(Platform::TerminalLauncher& terminals,
                                         Platform::Clipboard& clipboard)
    : terminals_(terminals), clipboard_(clipboard) {}

QStringList TerminalLoginOpener::loginCommand(ProviderID provider) {
    switch (provider) {
        case ProviderID::claudeCLI:
            return {QStringLiteral("claude"), QStringLiteral("auth"), QStringLiteral("login")};
        case ProviderID::codexCLI:
            return {QStringLiteral("codex"), QStringLiteral("login")};
    }
    return {};
}

void TerminalLoginOpener::openLogin(ProviderID provider) {
    const QStringList command = loginCommand(provider);
    if (command.isEmpty() || terminals_.runInTerminal(command))
        return;
    Platform::ClipboardItem item;
    item.representations = {
        {QStringLiteral("text/plain"), command.join(QLatin1Char(' ')).toUtf8()}};
    clipboard_.write({item});
}
