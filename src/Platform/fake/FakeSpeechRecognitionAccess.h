#pragma once

#include "Platform/SpeechRecognitionAccess.h"
#include "Platform/fake/FakeAuthorization.h"

namespace Platform {

class FakeSpeechRecognitionAccess final : public SpeechRecognitionAccess,
                                          public FakeAuthorization {
public:
    AuthorizationStatus status() override { return current; }
    void requestAuthorization(std::function<void()> done) override { wait(std::move(done)); }
};

}  // namespace Platform
