#pragma once

namespace Platform {

// Whether Tavrin may take pictures of other applications' windows.
class ScreenCaptureAccess {
public:
    virtual ~ScreenCaptureAccess() = default;
    virtual bool isGranted() = 0;
    // Asks where the system asks, and returns the state afterwards.
    virtual bool request() = 0;
};

}  // namespace Platform
