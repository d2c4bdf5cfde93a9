#pragma once

#include "Platform/Compositor.h"

namespace Platform {

class FakeCompositor final : public Compositor {
public:
    bool isRunning() override { return running; }
    bool running = false;
};

}  // namespace Platform
