#include "Platform/linux/X11Compositor.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "Platform/linux/XcbConnection.h"

namespace Platform {

X11Compositor::X11Compositor(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

bool X11Compositor::isRunning() {
    if (!connection_)
        return false;
    // The connection works on the display's first screen, as today's desktops do.
    const quint32 selection = connection_->atom("_NET_WM_CM_S0");
    if (!selection)
        return false;
    xcb_connection_t* c = connection_->connection();
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

}  // namespace Platform
