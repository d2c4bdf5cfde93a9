#pragma once

#include <memory>

#include "Platform/WindowActivation.h"

namespace Platform {

class XcbConnection;

// Activation through the window manager: a _NET_ACTIVE_WINDOW request on the root window.
// A window is active when _NET_ACTIVE_WINDOW names it and it has the keyboard focus.
class EwmhWindowActivation final : public WindowActivation {
public:
    explicit EwmhWindowActivation(std::shared_ptr<XcbConnection> connection);
    bool activate(const RunningApplication& application) override;
    bool isActive(const RunningApplication& application) override;
    void ping(const RunningApplication& application, Milliseconds limit,
              std::function<void(bool)> done) override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
