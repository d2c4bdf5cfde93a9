#include "Platform/linux/X11ModifierState.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "Platform/KeySender.h"
#include "Platform/linux/XcbConnection.h"

namespace Platform {

X11ModifierState::X11ModifierState(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

quint64 X11ModifierState::currentFlags() {
    if (!connection_)
        return EventFlag::None;
    xcb_connection_t* c = connection_->connection();
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, connection_->root()), nullptr);
    if (!reply)
        return EventFlag::None;
    const uint16_t mask = reply->mask;
    std::free(reply);
    quint64 flags = EventFlag::None;
    if (mask & XCB_MOD_MASK_SHIFT)
        flags |= EventFlag::Shift;
    if (mask & XCB_MOD_MASK_CONTROL)
        flags |= EventFlag::Control;
    if (mask & XCB_MOD_MASK_1)
        flags |= EventFlag::Option;
    if (mask & XCB_MOD_MASK_4)
        flags |= EventFlag::Command;
    return flags;
}

}  // namespace Platform
