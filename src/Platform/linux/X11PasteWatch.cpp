#include "Platform/linux/X11PasteWatch.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>
// The XKB protocol header names a member `explicit`, which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-keysyms.h>

#include <QByteArray>

#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

constexpr quint32 leftButton = 1;
constexpr quint32 middleButton = 2;
constexpr quint32 rightButton = 3;

}  // namespace

X11PasteWatch::X11PasteWatch(xcb_connection_t* connection, quint32 root)
    : connection_(connection) {
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(connection, &xcb_input_id);
    if (!input || !input->present)
        return;
    // Raw events reach every client that asks only from version 2.1 on; before, a grab (a menu,
    // a window manager's key) kept them from all but the grabbing client.
    auto version = owned(xcb_input_xi_query_version_reply(
        connection, xcb_input_xi_query_version(connection, 2, 2), nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1))
        return;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } select{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
             XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE |
                 XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    auto error = owned(xcb_request_check(
        connection, xcb_input_xi_select_events_checked(connection, root, 1, &select.head)));
    if (error)
        return;
    // The group in force comes with each change of the keyboard's state, in order with the raw
    // presses; a new layout (setxkbmap) comes as a new keyboard or a new map.
    keyboard_ = KeyboardGroups::read(connection);
    const std::optional<int> group = KeyboardGroups::currentGroup(connection);
    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!keyboard_ || !group || !xkb || !xkb->present)
        return;
    group_ = *group;
    xkbEvent_ = xkb->first_event;
    constexpr quint16 events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                               XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr quint16 mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS;
    auto selected = owned(xcb_request_check(
        connection, xcb_xkb_select_events_checked(connection, XCB_XKB_ID_USE_CORE_KBD, events, 0,
                                                  events, mapParts, mapParts, nullptr)));
    if (selected)
        return;
    opcode_ = input->major_opcode;
}

X11PasteWatch::~X11PasteWatch() = default;

bool X11PasteWatch::followKeyboard(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    if (!xkbEvent_ || (event->response_type & 0x7f) != xkbEvent_)
        return false;
    const auto* state = static_cast<const xcb_xkb_state_notify_event_t*>(raw);
    if (state->xkbType == XCB_XKB_STATE_NOTIFY) {
        group_ = state->group;
    } else if (state->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY ||
               state->xkbType == XCB_XKB_MAP_NOTIFY) {
        // The key codes of V, Insert and the modifiers may have moved.
        if (std::optional<KeyboardGroups> keyboard = KeyboardGroups::read(connection_))
            keyboard_ = std::move(keyboard);
        controls_.clear();
        shifts_.clear();
    }
    return true;
}

bool X11PasteWatch::isSynthetic(quint16 device) {
    if (auto known = synthetic_.find(device); known != synthetic_.end())
        return known->second;
    bool synthetic = true;
    auto reply = owned(xcb_input_xi_query_device_reply(
        connection_, xcb_input_xi_query_device(connection_, device), nullptr));
    if (reply) {
        for (auto it = xcb_input_xi_query_device_infos_iterator(reply.get()); it.rem;
             xcb_input_xi_device_info_next(&it)) {
            if (it.data->deviceid != device)
                continue;
            const QByteArray name(xcb_input_xi_device_info_name(it.data),
                                  xcb_input_xi_device_info_name_length(it.data));
            // The server names the devices of its XTEST extension so; every other keyboard
            // is one the user types on.
            synthetic = name.contains("XTEST");
        }
    }
    synthetic_.emplace(device, synthetic);
    return synthetic;
}

X11PasteWatch::Paste X11PasteWatch::see(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const quint8 type = event->response_type & 0x7f;
    if (!opcode_ || followKeyboard(raw) || type != XCB_GE_GENERIC)
        return {};
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != opcode_)
        return {};
    const auto* input = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
    const auto code = static_cast<quint8>(input->detail);
    switch (input->event_type) {
    case XCB_INPUT_RAW_KEY_PRESS: {
        const quint32 sym = keyboard_->symbol(code, group_);
        if (sym == XKB_KEY_Control_L || sym == XKB_KEY_Control_R) {
            controls_.insert(code);
            return {};
        }
        if (sym == XKB_KEY_Shift_L || sym == XKB_KEY_Shift_R) {
            shifts_.insert(code);
            return {};
        }
        // A key held down repeats; only its first press is a paste.
        if (input->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT)
            return {};
        const bool control = !controls_.empty();
        const bool shift = !shifts_.empty();
        const bool pasteKey = (control && keyboard_->matches(code, group_, XKB_KEY_v)) ||
                              ((sym == XKB_KEY_Insert || sym == XKB_KEY_KP_Insert) && shift);
        const bool menuKey = sym == XKB_KEY_Menu || (sym == XKB_KEY_F10 && shift);
        const Paste::Kind kind =
            pasteKey ? Paste::Kind::key : (menuKey ? Paste::Kind::button : Paste::Kind::input);
        return {kind, input->time, isSynthetic(input->sourceid), false};
    }
    case XCB_INPUT_RAW_KEY_RELEASE:
        controls_.erase(code);
        shifts_.erase(code);
        return {};
    case XCB_INPUT_RAW_BUTTON_PRESS:
        if (input->detail == middleButton || input->detail == rightButton)
            return {Paste::Kind::button, input->time, false, true};
        // A click into a menu bar or on a toolbar's button may paste too; the wheel does not.
        if (input->detail == leftButton)
            return {Paste::Kind::input, input->time, false, true};
        return {};
    default:
        return {};
    }
}

}  // namespace Platform
