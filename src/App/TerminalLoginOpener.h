#pragma once

#include <QStringList>

#include "AI/ProviderLoginOpener.h"

namespace Platform {
class Clipboard;
class TerminalLauncher;
}  // namespace Platform

// Signs in to a tool in a terminal window that runs the tool's own login command. When no
// terminal starts, the command goes on the clipboard instead, for the user to paste into a
// terminal of their own; the caller's view says so.
class TerminalLoginOpener final : public ProviderLoginOpener {
public:
    TerminalLoginOpener(Platform::TerminalLauncher& terminals, Platform::Clipboard& clipboard);

    void openLogin(ProviderID provider) override;

    // The login command of each tool, word by word.
    static QStringList loginCommand(ProviderID provider);

private:
    Platform::TerminalLauncher& terminals_;
    Platform::Clipboard& clipboard_;
};
