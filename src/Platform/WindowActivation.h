#pragma once

#include <functional>

#include "Platform/Clock.h"
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
    // Asks the program behind the application's window, as window managers do, whether it
    // handles what the window system sends it, without waiting on the caller's thread. `done`
    // (on the main thread) hears true once it has answered: everything sent to it before, a key
    // included, is handled. False when it has not answered within `limit` (stopped, busy) or
    // cannot be asked (it does not take part in such questions, or has no window, or it hands
    // its windows' keys to processes of its own, as a browser does to its pages: its main
    // process answers while a page still holds the key).
    virtual void ping(const RunningApplication& application, Milliseconds limit,
                      std::function<void(bool)> done) = 0;
};

}  // namespace Platform
