#pragma once

namespace Platform {

// Whether Tavrin may read other applications' fields and send them keys. On X11 that means
// the accessibility bus answers and reports itself enabled.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;
    // Answers fast (a cached value refreshed in the background where the bus is slow).
    virtual bool isTrusted() = 0;
    // Turns the bus on when it is off and returns the state afterwards. Applications that
    // started before only notice after a restart.
    virtual bool requestTrust() = 0;
    // Whether requestTrust() can turn anything on here: false where no accessibility bus
    // answers at all (no session bus, no bus launcher installed). Answers fast.
    virtual bool canRequestTrust() = 0;
};

}  // namespace Platform
