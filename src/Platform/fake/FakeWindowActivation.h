#pragma once

#include <functional>
#include <set>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/WindowActivation.h"

namespace Platform {

// A window manager in memory: activating a window makes it the active one unless the test
// says the window manager refuses.
class FakeWindowActivation final : public WindowActivation {
public:
    struct Activation {
        Nanoseconds at;
        quint32 windowId;
        bool operator==(const Activation&) const = default;
    };

    explicit FakeWindowActivation(const Clock* clock = nullptr) : clock_(clock) {}

    bool activate(const RunningApplication& application) override {
        activations.push_back(
            {clock_ ? clock_->monotonic() : Nanoseconds(0), application.windowId});
        if (application.windowId == 0)
            return false;
        if (!refuses)
            activeWindow = application.windowId;
        return true;
    }
    bool isActive(const RunningApplication& application) override {
        return application.windowId != 0 && application.windowId == activeWindow;
    }
    // Answers at once; only the windows in `answering` do (a program that is neither stopped
    // nor busy, and takes part).
    void ping(const RunningApplication& application, Milliseconds,
              std::function<void(bool)> done) override {
        pings.push_back(application.windowId);
        done(answering.count(application.windowId) > 0);
    }

    quint32 activeWindow = 0;
    std::set<quint32> answering;
    std::vector<quint32> pings;
    bool refuses = false;
    std::vector<Activation> activations;

private:
    const Clock* clock_;
};

}  // namespace Platform
