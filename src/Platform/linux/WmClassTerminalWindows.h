#pragma once

#include "Platform/TerminalWindows.h"

namespace Platform {

// Terminals known by the WM_CLASS of their window, the same list the key sender goes by.
class WmClassTerminalWindows final : public TerminalWindows {
public:
    bool isTerminal(const RunningApplication& application) const override;
    bool pastesFromPrimary(const RunningApplication& application) const override;
};

}  // namespace Platform
