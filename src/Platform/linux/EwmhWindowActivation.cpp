#include "Platform/linux/EwmhWindowActivation.h"

#include <xcb/xcb.h>

#include "Platform/linux/XcbConnection.h"

namespace Platform {

EwmhWindowActivation::EwmhWindowActivation(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

bool EwmhWindowActivation::activate(const RunningApplication& application) {
    if (!connection_ || application.windowId == 0)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = application.windowId;
    event.type = connection_->atom("_NET_ACTIVE_WINDOW");
    // Source 2: a pager or similar tool acting for the user, which window managers let pass
    // their focus-stealing prevention.
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(connection_->connection(), 0, connection_->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    connection_->flush();
    return true;
}

bool EwmhWindowActivation::isActive(const RunningApplication& application) {
    // Keys go to the focus: the window manager's word alone is not enough, since one that has
    // gone leaves its last active window named on the root window.
    return connection_ && application.windowId != 0 &&
           connection_->activeWindow() == application.windowId &&
           connection_->focusedTopLevel() == application.windowId;
}

}  // namespace Platform
