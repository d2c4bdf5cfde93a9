#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <vector>

#include "Platform/linux/X11ApplicationIcons.h"
#include "Platform/linux/XcbConnection.h"

TEST(ApplicationIconsX11Test, ReadsTheIconAnotherProgramsWindowCarries) {
    auto connection = Platform::XcbConnection::open();
    ASSERT_TRUE(connection);

    // Another program's window with two icons, 16 and 32 across.
    auto other = Platform::XcbConnection::open();
    ASSERT_TRUE(other);
    xcb_connection_t* c = other->connection();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, other->root(), 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    std::vector<quint32> icons{16, 16};
    icons.insert(icons.end(), 16 * 16, 0xff0000ffu);
    icons.push_back(32);
    icons.push_back(32);
    icons.insert(icons.end(), 32 * 32, 0x80ff0000u);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, other->atom("_NET_WM_ICON"),
                        XCB_ATOM_CARDINAL, 32, quint32(icons.size()), icons.data());
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    Platform::X11ApplicationIcons lookup(connection);
    Platform::RunningApplication app;
    app.windowId = window;
    const QImage icon = lookup.icon(app, 24);
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(icon.pixel(31, 31), 0x80ff0000u);

    // A window without an icon, and no desktop file: no picture.
    Platform::RunningApplication bare;
    bare.windowId = other->root();
    bare.bundleIdentifier = QStringLiteral("tavrin-test-none");
    EXPECT_TRUE(lookup.icon(bare, 24).isNull());
}
