#pragma once

#include <QSet>

#include "Platform/TerminalWindows.h"

namespace Platform {

// Terminals are the windows whose ids a test lists.
class FakeTerminalWindows final : public TerminalWindows {
public:
    bool isTerminal(const RunningApplication& application) const override {
        return terminalWindows.contains(application.windowId) ||
               primaryPasting.contains(application.windowId) ||
               eitherPasting.contains(application.windowId);
    }
    bool pastesFromPrimary(const RunningApplication& application) const override {
        return primaryPasting.contains(application.windowId);
    }
    bool pastesFromEither(const RunningApplication& application) const override {
        return eitherPasting.contains(application.windowId);
    }

    QSet<quint32> terminalWindows;
    // Terminals of the xterm family.
    QSet<quint32> primaryPasting;
    // Terminals whose keys are not known.
    QSet<quint32> eitherPasting;
};

}  // namespace Platform
