#pragma once

#include <vector>

#include "Platform/SpeechRecognitionAccess.h"

namespace Platform {

// Requests wait until the test answers them.
class FakeSpeechRecognitionAccess final : public SpeechRecognitionAccess {
public:
    AuthorizationStatus status() override { return current; }
    void requestAuthorization(std::function<void()> done) override {
        ++requests;
        pending.push_back(std::move(done));
    }

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
