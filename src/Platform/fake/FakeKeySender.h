#pragma once

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

    void sendKey(quint16 keyCode, quint64 flags) override {
        sent.push_back({clock_ ? clock_->monotonic() : Nanoseconds(0), keyCode, flags});
        if (onSend)
            onSend(keyCode, flags);
    }

    std::vector<Sent> sent;
    std::function<void(quint16, quint64)> onSend;

private:
    const Clock* clock_;
};

}  // namespace Platform
