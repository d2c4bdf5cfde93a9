#pragma once

#include <QStringList>

namespace Platform {

// Opens a terminal window in which a command runs; the window stays open after the command
// ends, so that the user can read what it printed.
class TerminalLauncher {
public:
    virtual ~TerminalLauncher() = default;
    // `command` is the program followed by its arguments, each one word; no shell reads them.
    // False when no terminal program could be started.
    virtual bool runInTerminal(const QStringList& command) = 0;
};

}  // namespace Platform
