#pragma once

#include "Platform/DesktopWindows.h"

namespace Platform {

class FakeDesktopWindows final : public DesktopWindows {
public:
    std::optional<RunningApplication> frontApplication() override { return front; }
    std::vector<Window> windows() override { return list; }

    std::optional<RunningApplication> front;
    std::vector<Window> list;
};

}  // namespace Platform
