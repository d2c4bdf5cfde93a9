#pragma once

namespace Platform {

// Whether a compositing manager runs: only then do translucent windows blend with what lies
// beneath them and get shadows; without one their clear pixels show as black.
class Compositor {
public:
    virtual ~Compositor() = default;
    // Answers fast (one round trip to the local display server).
    virtual bool isRunning() = 0;
};

}  // namespace Platform
