#include "Platform/linux/XTestKeySender.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Platform/linux/KeyChord.h"
#include "Platform/linux/XcbConnection.h"

namespace Platform {

namespace {

constexpr quint32 keysymShiftL = 0xffe1;
constexpr quint32 keysymControlL = 0xffe3;
constexpr quint32 keysymAltL = 0xffe9;

// The keyboard mapping as it is now; the layout may change between two keys.
struct KeySymbols {
    explicit KeySymbols(xcb_connection_t* connection) : table(xcb_key_symbols_alloc(connection)) {}
    ~KeySymbols() {
        if (table)
            xcb_key_symbols_free(table);
    }
    // The first key code that produces `keysym` in the current layout; 0 when none does.
    xcb_keycode_t keycode(quint32 keysym) const {
        if (!table)
            return 0;
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(table, keysym);
        if (!codes)
            return 0;
        const xcb_keycode_t first = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
        std::free(codes);
        return first;
    }
    KeySymbols(const KeySymbols&) = delete;
    KeySymbols& operator=(const KeySymbols&) = delete;

    xcb_key_symbols_t* table;
};

}  // namespace

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

    const KeySymbols symbols(connection_->connection());
    const xcb_keycode_t key = symbols.keycode(chord->keysym);
    if (key == 0)
        return false;
    std::vector<xcb_keycode_t> modifiers;
    if (chord->control)
        modifiers.push_back(symbols.keycode(keysymControlL));
    if (chord->shift)
        modifiers.push_back(symbols.keycode(keysymShiftL));
    if (chord->alt)
        modifiers.push_back(symbols.keycode(keysymAltL));
    for (xcb_keycode_t modifier : modifiers) {
        if (modifier == 0)
            return false;
    }

    xcb_connection_t* c = connection_->connection();
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
