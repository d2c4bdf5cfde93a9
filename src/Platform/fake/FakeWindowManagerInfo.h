#pragma once

#include "Platform/WindowManagerInfo.h"

namespace Platform {

class FakeWindowManagerInfo final : public WindowManagerInfo {
public:
    std::optional<QString> name() override { return windowManager; }

    std::optional<QString> windowManager;
};

}  // namespace Platform
