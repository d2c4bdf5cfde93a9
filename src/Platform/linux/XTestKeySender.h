#pragma once

#include <memory>

#include "Platform/KeySender.h"

namespace Platform {

class XcbConnection;

// Keys through the XTEST extension: they reach the window with the keyboard focus as if
// typed. WM_CLASS of the focused and of the active window decides whether a terminal's
// combinations are sent.
class XTestKeySender final : public KeySender {
public:
    explicit XTestKeySender(std::shared_ptr<XcbConnection> connection);
    bool sendKey(quint16 keyCode, quint64 flags) override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
