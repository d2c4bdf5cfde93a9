#pragma once

#include <functional>

#include "Platform/AuthorizationStatus.h"

namespace Platform {

// Whether Tavrin may turn speech into text.
class SpeechRecognitionAccess {
public:
    virtual ~SpeechRecognitionAccess() = default;
    // Answers fast.
    virtual AuthorizationStatus status() = 0;
    // Asks for authorization; `done` runs on the main thread once the answer is in, never
    // after the backend is gone. The answer itself is read through status().
    virtual void requestAuthorization(std::function<void()> done) = 0;
};

}  // namespace Platform
