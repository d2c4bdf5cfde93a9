#include "Platform/linux/XTestKeySender.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <vector>

#include "Platform/linux/KeyChord.h"
#include "Platform/linux/KeyboardGroups.h"
#include "Platform/linux/XcbConnection.h"

namespace Platform {

XTestKeySender::XTestKeySender(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

bool XTestKeySender::sendKey(quint16 keyCode, quint64 flags) {
    if (!connection_)
        return false;
    // The keys go to the focus, which the active window normally names as well; should the
    // two disagree (a window manager gone, its last word left on the root window), the more
    // careful treatment of the two wins.
    KeyTarget target = KeyTarget::Application;
    for (const quint32 window : {connection_->focusedTopLevel(), connection_->activeWindow()}) {
        if (const auto windowClass = connection_->windowClass(window))
            target = std::max(target, keyTargetOf(windowClass->first, windowClass->second,
                                                  connection_->windowProcess(window)));
    }
    const auto chord = KeyChord::forKey(keyCode, flags, target);
    if (!chord)
        return false;

    // The layouts and the group in force are read at every key: a switch of layout changes
    // the group without a word to any client, and the server sends each code in that group.
    xcb_connection_t* c = connection_->connection();
    const std::optional<KeyboardGroups> keyboard = KeyboardGroups::read(c);
    const std::optional<int> group = KeyboardGroups::currentGroup(c);
    if (!keyboard || !group)
        return false;
    const xcb_keycode_t key = keyboard->keyFor(chord->keysym, *group);
    if (key == 0)
        return false;
    std::vector<xcb_keycode_t> modifiers;
    if (chord->control)
        modifiers.push_back(keyboard->keyFor(XKB_KEY_Control_L, *group));
    if (chord->shift)
        modifiers.push_back(keyboard->keyFor(XKB_KEY_Shift_L, *group));
    if (chord->alt)
        modifiers.push_back(keyboard->keyFor(XKB_KEY_Alt_L, *group));
    for (xcb_keycode_t modifier : modifiers) {
        if (modifier == 0)
            return false;
    }

    auto fake = [&](uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(c, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    for (xcb_keycode_t modifier : modifiers)
        fake(XCB_KEY_PRESS, modifier);
    fake(XCB_KEY_PRESS, key);
    fake(XCB_KEY_RELEASE, key);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        fake(XCB_KEY_RELEASE, *it);
    connection_->flush();
    return true;
}

}  // namespace Platform
