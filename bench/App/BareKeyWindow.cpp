// The yardstick for the press benchmark: the least a program can do to answer a global key
// with a window. It grabs Control+Shift+Space on the root, maps its window on a press (and
// unmaps it on the next one, as the panel closes on a second press) and fills the window
// when it is exposed. It ends on SIGTERM, when the server goes, or after ten minutes.
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 0x20);
    const xcb_keycode_t space = codes ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);

    const uint16_t modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
    if (xcb_generic_error_t* error =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, screen->root, modifiers, space,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC))) {
        std::fprintf(stderr, "BareKeyWindow: the key is taken\n");
        std::free(error);
        return 2;
    }
    // No background: the first pixels on screen are the program's own, as with Qt's windows.
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 300, 300, 520, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    const char wmClass[] = "BareKeyWindow\0BareKeyWindow";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &screen->black_pixel);
    xcb_flush(c);

    bool mapped = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (std::chrono::steady_clock::now() < end && !xcb_connection_has_error(c)) {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, 500);
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_KEY_PRESS) {
                mapped = !mapped;
                if (mapped)
                    xcb_map_window(c, window);
                else
                    xcb_unmap_window(c, window);
            } else if (type == XCB_EXPOSE) {
                const xcb_rectangle_t all{0, 0, 520, 120};
                xcb_poly_fill_rectangle(c, window, gc, 1, &all);
            }
            std::free(event);
            xcb_flush(c);
        }
    }
    xcb_disconnect(c);
    return 0;
}
