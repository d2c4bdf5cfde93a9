#pragma once

#include <vector>

#include "Platform/TerminalLauncher.h"

namespace Platform {

// Records each command; `starts` says whether a terminal comes up.
class FakeTerminalLauncher final : public TerminalLauncher {
public:
    bool runInTerminal(const QStringList& command) override {
        commands.push_back(command);
        return starts;
    }

    bool starts = true;
    std::vector<QStringList> commands;
};

}  // namespace Platform
