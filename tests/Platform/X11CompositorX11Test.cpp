#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include "Platform/linux/X11Compositor.h"
#include "Platform/linux/XcbConnection.h"

TEST(X11CompositorX11Test, ACompositorIsTheOwnerOfItsScreensSelection) {
    auto connection = Platform::XcbConnection::open();
    ASSERT_TRUE(connection);
    Platform::X11Compositor compositor(connection);
    // The test's X server runs no compositing manager.
    EXPECT_FALSE(compositor.isRunning());

    // Stand in for one: own the selection as compositing managers do.
    auto other = Platform::XcbConnection::open();
    ASSERT_TRUE(other);
    xcb_connection_t* c = other->connection();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, other->root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, window, other->atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    EXPECT_TRUE(compositor.isRunning());

    EXPECT_FALSE(Platform::X11Compositor(nullptr).isRunning());
}
