#pragma once

#include <vector>

#include "Platform/SettingsPaneOpener.h"

namespace Platform {

// Records every pane opened, in order (none = the overview).
class FakeSettingsPaneOpener final : public SettingsPaneOpener {
public:
    bool canOpen(const std::optional<QString>&) override { return available; }
    bool open(const std::optional<QString>& pane) override {
        if (!available)
            return false;
        opened.push_back(pane);
        return true;
    }

    bool available = true;
    std::vector<std::optional<QString>> opened;
};

}  // namespace Platform
