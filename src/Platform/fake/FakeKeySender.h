#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/KeySender.h"

namespace Platform {

// Records every key with its moment (when given a clock); `onSend` lets a test play the
// application that receives it.
class FakeKeySender final : public KeySender {
public:
    struct Sent {
        Nanoseconds at;
        quint16 keyCode;
        quint64 flags;
        bool operator==(const Sent&) const = default;
    };

    explicit FakeKeySender(const Clock* clock = nullptr) : clock_(clock) {}

    bool sendKey(quint16 keyCode, quint64 flags) override {
        if (std::find(withheld.begin(), withheld.end(), keyCode) != withheld.end())
            return false;
        sent.push_back({clock_ ? clock_->monotonic() : Nanoseconds(0), keyCode, flags});
        if (onSend)
            onSend(keyCode, flags);
        return true;
    }

    // Keys the window in front never gets, as an xterm never gets the copy key.
    std::vector<quint16> withheld;

    std::vector<Sent> sent;
    std::function<void(quint16, quint64)> onSend;

private:
    const Clock* clock_;
};

}  // namespace Platform
