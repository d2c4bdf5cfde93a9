#pragma once

#include <vector>

#include "Platform/MicrophoneAccess.h"

namespace Platform {

// Requests wait until the test answers them.
class FakeMicrophoneAccess final : public MicrophoneAccess {
public:
    AuthorizationStatus status() override { return current; }
    void requestAccess(std::function<void()> done) override {
        ++requests;
        pending.push_back(std::move(done));
    }

    // The user answers the system's question: the status becomes `answer` and every waiting
    // request completes.
    void answer(AuthorizationStatus answer) {
        current = answer;
        std::vector<std::function<void()>> waiting;
        waiting.swap(pending);
        for (auto& done : waiting)
            done();
    }

    AuthorizationStatus current = AuthorizationStatus::notDetermined;
    std::vector<std::function<void()>> pending;
    int requests = 0;
};

}  // namespace Platform
