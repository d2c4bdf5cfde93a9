#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "AI/ProviderLoginOpener.h"

class SettingsStore;

namespace Platform {
class Clipboard;
class TerminalLauncher;
}  // namespace Platform

// Signs in to a tool in a terminal window that runs the tool's own login command. When no
// terminal starts, the command goes on the clipboard instead, for the user to paste into a
// terminal of their own; the caller's view says so.
class TerminalLoginOpener final : public ProviderLoginOpener {
public:
    TerminalLoginOpener(Platform::TerminalLauncher& terminals, Platform::Clipboard& clipboard,
                        SettingsStore& settings);

    // Looks for the tool as every other run of it does (the settings' path, else the login
    // shell's search path with ~/.local/bin) and starts the terminal once it is found.
    void openLogin(ProviderID provider) override;

    // The login command of each tool, word by word, for the program at `executable`.
    static QStringList loginCommand(ProviderID provider, const QString& executable);

private:
    void run(const QStringList& command);

    Platform::TerminalLauncher& terminals_;
    Platform::Clipboard& clipboard_;
    SettingsStore& settings_;
    // A look-up that ends after we are gone starts nothing.
    QObject lookups_;
};
