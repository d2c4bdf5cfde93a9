#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <stop_token>

#include "Platform/AccessibilityTree.h"

// Every call of a read with a deadline into another application's tree goes through here: none
// once the read is no longer wanted or its time is up, and none that may wait past the
// deadline. A busy application answers slowly, and the accessibility worker it holds is the
// one the next read needs.
class AccessibilityGate {
public:
    // A monotonic reading; tests pass one that moves with the read.
    using Now = std::function<std::chrono::nanoseconds()>;

    // `longestCall`: the limit of a single call while the deadline is far.
    AccessibilityGate(Platform::AccessibilityTree& tree, std::chrono::nanoseconds deadline,
                      const Now& now, const std::stop_token& stop,
                      std::chrono::milliseconds longestCall)
        : tree_(tree), deadline_(deadline), now_(now), stop_(stop), longestCall_(longestCall) {}

    // Whether the next call may go out; sets its time limit to what is left.
    bool open() {
        if (stop_.stop_requested())
            return false;
        const auto left = deadline_ - now_();
        if (left <= std::chrono::nanoseconds::zero())
            return false;
        const auto wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(left),
                                     std::chrono::milliseconds(1), longestCall_);
        if (wait != timeout_) {
            tree_.setCallTimeout(wait);
            timeout_ = wait;
        }
        return true;
    }

private:
    Platform::AccessibilityTree& tree_;
    std::chrono::nanoseconds deadline_;
    const Now& now_;
    const std::stop_token& stop_;
    std::chrono::milliseconds longestCall_;
    std::chrono::milliseconds timeout_{-1};
};
