#pragma once

#include <memory>

#include "Platform/DesktopWindows.h"

namespace Platform {

class XcbConnection;

// The window manager's view of the desktop through the EWMH properties of the root window and
// the client windows. An application is known by its desktop-file id, else its WM_CLASS class,
// and named by its desktop file, else its WM_CLASS class.
class EwmhDesktopWindows final : public DesktopWindows {
public:
    explicit EwmhDesktopWindows(std::shared_ptr<XcbConnection> connection);
    std::optional<RunningApplication> frontApplication() override;
    std::vector<Window> windows() override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
