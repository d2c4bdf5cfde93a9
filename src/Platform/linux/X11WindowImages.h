#pragma once

#include <memory>

#include "Platform/WindowImages.h"

namespace Platform {

class XcbConnection;

// Window pictures from the X server: the compositor's copy of the window when one runs (true
// content, also where other windows cover it), else the window's pixels on screen, where
// whatever lies on top shows, and parts off screen or under one of our windows are black. Opens its
// own connection on the thread that first asks.
class X11WindowImages final : public WindowImages {
public:
    X11WindowImages();
    ~X11WindowImages() override;
    Grab grab(quint32 windowId) override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
