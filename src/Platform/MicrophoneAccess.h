#pragma once

#include <functional>

#include "Platform/AuthorizationStatus.h"

namespace Platform {

// Whether Tavrin may record from the microphone.
class MicrophoneAccess {
public:
    virtual ~MicrophoneAccess() = default;
    // Answers fast (a cached value where the system is slow to ask).
    virtual AuthorizationStatus status() = 0;
    // Asks for access; `done` runs on the main thread once the answer is in, never after the
    // backend is gone. The answer itself is read through status().
    virtual void requestAccess(std::function<void()> done) = 0;
};

}  // namespace Platform
