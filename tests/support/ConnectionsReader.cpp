// A program that owns a window on one X connection and reads the clipboard as it is told: over
// that connection ("first") or over a new one of its own ("second"), as Alacritty and
// LibreOffice with its X11 plugin do. Prints "window ID" once, then "text TEXT" (or "none")
// for each line it reads on its input.

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t makeWindow(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(c);
    return window;
}

// The clipboard's UTF8_STRING, asked for from `window` on `c`; none within two seconds.
bool readText(xcb_connection_t* c, xcb_window_t window, std::string& text) {
    const xcb_atom_t property = atom(c, "CONNECTIONS_READER");
    xcb_convert_selection(c, window, atom(c, "CLIPBOARD"), atom(c, "UTF8_STRING"), property,
                          XCB_CURRENT_TIME);
    xcb_flush(c);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&fd, 1, 50);
            continue;
        }
        const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const bool answered =
            notify && reinterpret_cast<xcb_selection_notify_event_t*>(event)->property != 0;
        std::free(event);
        if (!notify)
            continue;
        if (!answered)
            return false;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 16),
            nullptr);
        if (!reply)
            return false;
        text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    xcb_get_property_value_length(reply));
        std::free(reply);
        return true;
    }
    return false;
}

}  // namespace

int main() {
    xcb_connection_t* first = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(first))
        return 1;
    const xcb_window_t window = makeWindow(first);
    std::cout << "window " << window << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string text;
        bool read = false;
        if (line == "second") {
            xcb_connection_t* second = xcb_connect(nullptr, nullptr);
            read = readText(second, makeWindow(second), text);
            xcb_disconnect(second);
        } else {
            read = readText(first, window, text);
        }
        std::cout << (read ? "text " + text : std::string("none")) << std::endl;
    }
    xcb_disconnect(first);
    return 0;
}
