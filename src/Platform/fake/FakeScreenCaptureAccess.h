#pragma once

#include "Platform/ScreenCaptureAccess.h"

namespace Platform {

class FakeScreenCaptureAccess final : public ScreenCaptureAccess {
public:
    bool isGranted() override { return granted; }
    bool request() override {
        ++requests;
        if (grantOnRequest)
            granted = true;
        return granted;
    }

    bool granted = false;
    bool grantOnRequest = false;
    int requests = 0;
};

}  // namespace Platform
