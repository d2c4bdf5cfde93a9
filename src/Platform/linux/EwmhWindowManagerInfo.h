#pragma once

#include <memory>

#include "Platform/WindowManagerInfo.h"

namespace Platform {

class XcbConnection;

// The window manager's name as it publishes it: the _NET_WM_NAME of the window that
// _NET_SUPPORTING_WM_CHECK on the root window names.
class EwmhWindowManagerInfo final : public WindowManagerInfo {
public:
    explicit EwmhWindowManagerInfo(std::shared_ptr<XcbConnection> connection);
    std::optional<QString> name() override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
