#pragma once

#include "Platform/RunningApplication.h"

namespace Platform {

// Bringing an application's window to the front and telling whether it is there.
class WindowActivation {
public:
    virtual ~WindowActivation() = default;
    // Asks the window manager to activate the application's window. False when the request
    // could not be made (no window known, no display); the window manager may still refuse.
    virtual bool activate(const RunningApplication& application) = 0;
    // True when the application's window is the active one at this moment.
    virtual bool isActive(const RunningApplication& application) = 0;
};

}  // namespace Platform
