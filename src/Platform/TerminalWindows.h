#pragma once

#include "Platform/RunningApplication.h"

namespace Platform {

// Which windows are terminals. The shortcut keys of other applications mean something else
// there: Control+Z suspends the program running in the terminal instead of undoing.
class TerminalWindows {
public:
    virtual ~TerminalWindows() = default;
    virtual bool isTerminal(const RunningApplication& application) const = 0;
};

}  // namespace Platform
