#pragma once

#include "Platform/RunningApplication.h"

namespace Platform {

// Which windows are terminals. The shortcut keys of other applications mean something else
// there: Control+Z suspends the program running in the terminal instead of undoing.
class TerminalWindows {
public:
    virtual ~TerminalWindows() = default;
    virtual bool isTerminal(const RunningApplication& application) const = 0;
    // A terminal that pastes only from the primary selection, with Shift+Insert, as the xterm
    // family does unless its user bound other keys: there the paste key of other terminals
    // arrives as a control character.
    virtual bool pastesFromPrimary(const RunningApplication& application) const {
        (void)application;
        return false;
    }
    // A terminal whose own keys are not known: it pastes with Shift+Insert too, from the
    // primary selection or from the clipboard, whichever it reads; neither its Control+V nor
    // its Control+Shift+V is known to paste.
    virtual bool pastesFromEither(const RunningApplication& application) const {
        (void)application;
        return false;
    }
};

}  // namespace Platform
