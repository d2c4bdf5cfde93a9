#pragma once

#include "Platform/MicrophoneAccess.h"
#include "Platform/fake/FakeAuthorization.h"

namespace Platform {

class FakeMicrophoneAccess final : public MicrophoneAccess, public FakeAuthorization {
public:
    AuthorizationStatus status() override { return current; }
    void requestAccess(std::function<void()> done) override { wait(std::move(done)); }
};

}  // namespace Platform
