#include "Platform/linux/KeyboardGroups.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>
// The XKB protocol header names a member `explicit`, which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <memory>

#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

bool setUpXkb(xcb_connection_t* connection) {
    // Asking again on a connection that has it is harmless; the answer is the server's.
    return connection && xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                     XKB_X11_MIN_MINOR_XKB_VERSION,
                                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                                     nullptr, nullptr, nullptr, nullptr);
}

struct ContextDeleter {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

}  // namespace

KeyboardGroups::KeyboardGroups(std::array<Symbols, 256> keys) : keys_(std::move(keys)) {}

std::optional<KeyboardGroups> KeyboardGroups::read(xcb_connection_t* connection) {
    if (!setUpXkb(connection))
        return std::nullopt;
    const std::unique_ptr<xkb_context, ContextDeleter> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (!context || device < 0)
        return std::nullopt;
    const std::unique_ptr<xkb_keymap, KeymapDeleter> keymap(xkb_x11_keymap_new_from_device(
        context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return std::nullopt;
    std::array<Symbols, 256> keys{};
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap.get()), 255);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap.get()); code <= last; ++code) {
        const xkb_layout_index_t groups =
            std::min<xkb_layout_index_t>(xkb_keymap_num_layouts_for_key(keymap.get(), code),
                                         maxGroups);
        for (xkb_layout_index_t group = 0; group < groups; ++group) {
            const xkb_keysym_t* syms = nullptr;
            const int count =
                xkb_keymap_key_get_syms_by_level(keymap.get(), code, group, 0, &syms);
            keys[code].push_back(count > 0 ? syms[0] : 0);
        }
    }
    return KeyboardGroups(std::move(keys));
}

std::optional<int> KeyboardGroups::currentGroup(xcb_connection_t* connection) {
    if (!setUpXkb(connection))
        return std::nullopt;
    auto state = owned(xcb_xkb_get_state_reply(
        connection, xcb_xkb_get_state(connection, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (!state)
        return std::nullopt;
    return int(state->group);
}

quint32 KeyboardGroups::symbol(quint8 code, int group) const {
    const Symbols& symbols = keys_[code];
    if (symbols.empty() || group < 0)
        return 0;
    return symbols[size_t(group) % symbols.size()];
}

quint8 KeyboardGroups::keyFor(quint32 keysym, int group) const {
    if (keysym == 0)
        return 0;
    for (int code = 1; code < 256; ++code) {
        if (symbol(quint8(code), group) == keysym)
            return quint8(code);
    }
    for (int code = 1; code < 256; ++code) {
        if (matches(quint8(code), group, keysym))
            return quint8(code);
    }
    // No program will read any key as it in this group; the first group's key is all there is.
    for (int other = 0; other < maxGroups; ++other) {
        for (int code = 1; code < 256; ++code) {
            if (size_t(other) < keys_[code].size() && keys_[code][size_t(other)] == keysym)
                return quint8(code);
        }
    }
    return 0;
}

bool KeyboardGroups::matches(quint8 code, int group, quint32 keysym) const {
    const quint32 typed = symbol(code, group);
    if (typed == keysym)
        return keysym != 0;
    if (latin1(typed) || keysym == 0)
        return false;
    const Symbols& symbols = keys_[code];
    for (const quint32 other : symbols) {
        if (other == keysym)
            return true;
    }
    return false;
}

}  // namespace Platform
