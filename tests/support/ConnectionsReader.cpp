// A program that owns a window on one X connection and reads the clipboard as it is told: over
// that connection ("first") or over a new one of its own ("second"), as Alacritty and
// LibreOffice with its X11 plugin do. Prints "window ID" once, then "text TEXT" (or "none")
// for each line it reads on its input. A large text comes in pieces; "first pause MS" stops for
// MS milliseconds after the first piece, as a program does that is stopped half-way, printing
// "paused" as it stops. Its window takes the keyboard; "first key N" stamps the request with the
// time of the N-th key press it received (as GTK, Qt and xterm stamp a paste with the key's
// time), where plain "first" stamps none (as Chromium and Alacritty).

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t makeWindow(xcb_connection_t* c, bool shown = false) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_KEY_PRESS |
                            XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (shown) {
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 20, 20, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        xcb_map_window(c, window);
    } else {
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    xcb_flush(c);
    return window;
}

// The times of the keys pressed with Shift or Control held that the window has received: the
// paste keys, not the modifiers themselves.
std::vector<xcb_timestamp_t> keyTimes;

void note(const xcb_generic_event_t* event) {
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if ((event->response_type & 0x7f) == XCB_KEY_PRESS &&
        (press->state & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL)))
        keyTimes.push_back(press->time);
}

// Waits up to two seconds for the event `wanted` picks out; false when none came.
template <typename Wanted>
bool waitFor(xcb_connection_t* c, Wanted wanted) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&fd, 1, 50);
            continue;
        }
        note(event);
        const bool found = wanted(event);
        std::free(event);
        if (found)
            return true;
    }
    return false;
}

// Takes what `property` holds (deleting it, which asks for the next piece); none when it is
// not there. `type` is set to its type.
bool take(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, std::string& data,
          xcb_atom_t& type) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 22),
        nullptr);
    xcb_flush(c);
    if (!reply)
        return false;
    type = reply->type;
    data.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                xcb_get_property_value_length(reply));
    std::free(reply);
    return true;
}

// The clipboard's UTF8_STRING, asked for from `window` on `c`, stopping `pauseMs` after the
// first piece of one in pieces; none when an answer or a piece does not come within two
// seconds.
bool readText(xcb_connection_t* c, xcb_window_t window, std::string& text, int pauseMs = 0,
              xcb_timestamp_t time = XCB_CURRENT_TIME) {
    const xcb_atom_t property = atom(c, "CONNECTIONS_READER");
    xcb_convert_selection(c, window, atom(c, "CLIPBOARD"), atom(c, "UTF8_STRING"), property,
                          time);
    xcb_flush(c);
    bool answered = false;
    const bool notified = waitFor(c, [&](const xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
            return false;
        answered = reinterpret_cast<const xcb_selection_notify_event_t*>(event)->property != 0;
        return true;
    });
    xcb_atom_t type = XCB_NONE;
    if (!notified || !answered || !take(c, window, property, text, type))
        return false;
    if (type != atom(c, "INCR"))
        return true;
    text.clear();
    for (int pieces = 0;; ++pieces) {
        const bool arrived = waitFor(c, [&](const xcb_generic_event_t* event) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            return (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                   notify->atom == property && notify->state == XCB_PROPERTY_NEW_VALUE;
        });
        std::string piece;
        if (!arrived || !take(c, window, property, piece, type))
            return false;
        if (piece.empty())
            return true;
        text += piece;
        if (pieces == 0 && pauseMs > 0) {
            std::cout << "paused" << std::endl;
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    }
}

}  // namespace

int main() {
    xcb_connection_t* first = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(first))
        return 1;
    const xcb_window_t window = makeWindow(first, true);
    // Only a window on the screen takes the keyboard.
    waitFor(first, [](const xcb_generic_event_t* event) {
        return (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
    });
    std::cout << "window " << window << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string how, option;
        int value = 0;
        words >> how >> option >> value;
        while (xcb_generic_event_t* event = xcb_poll_for_event(first)) {
            note(event);
            std::free(event);
        }
        const int pauseMs = option == "pause" ? value : 0;
        xcb_timestamp_t time = XCB_CURRENT_TIME;
        if (option == "key")
            time = value >= 1 && value <= int(keyTimes.size()) ? keyTimes[value - 1] : 1;
        std::string text;
        bool read = false;
        if (how == "second") {
            xcb_connection_t* second = xcb_connect(nullptr, nullptr);
            read = readText(second, makeWindow(second), text, pauseMs);
            xcb_disconnect(second);
        } else if (how == "keys") {
            read = true;
            text = std::to_string(keyTimes.size());
        } else {
            read = readText(first, window, text, pauseMs, time);
        }
        std::cout << (read ? "text " + text : std::string("none")) << std::endl;
    }
    xcb_disconnect(first);
    return 0;
}
