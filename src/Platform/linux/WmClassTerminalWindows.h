#pragma once

#include "Platform/TerminalWindows.h"

namespace Platform {

// Terminals known by the WM_CLASS of their window or by their program, as the key sender
// knows them.
class WmClassTerminalWindows final : public TerminalWindows {
public:
    bool isTerminal(const RunningApplication& application) const override;
    bool pastesFromPrimary(const RunningApplication& application) const override;
    bool pastesFromEither(const RunningApplication& application) const override;
};

}  // namespace Platform
