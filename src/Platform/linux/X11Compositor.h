#pragma once

#include <memory>

#include "Platform/Compositor.h"

namespace Platform {

class XcbConnection;

// A compositing manager on X11 owns the selection _NET_WM_CM_S<screen> (EWMH) of the default
// screen.
class X11Compositor final : public Compositor {
public:
    // A null connection: no display, hence no compositor.
    explicit X11Compositor(std::shared_ptr<XcbConnection> connection);
    bool isRunning() override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
