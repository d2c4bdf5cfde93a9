#pragma once

#include <QtGlobal>
#include <set>
#include <unordered_map>

struct xcb_connection_t;
struct _XCBKeySymbols;

namespace Platform {

// Sees, in the raw key and button presses that the window system shows every client that asks
// (whichever window has the keyboard, and during grabs), when somebody pastes: Control+V (with
// or without Shift, as terminals take it), Shift+Insert (also with Control), a middle click
// (the primary selection) or a right click (a context menu, whose "paste" is no key). Nothing
// else of what is typed is kept: only whether a Control or Shift key is down.
//
// Used on one thread, with the connection the events arrive on.
class X11PasteWatch {
public:
    struct Paste {
        enum class Kind { none, key, button };
        Kind kind = Kind::none;
        // The window system's time of the press.
        quint32 time = 0;
        // Sent through the XTEST extension (as Tavrin sends its keys), not typed on a keyboard.
        // Where the XTEST device is not known, every key counts as possibly sent.
        bool synthetic = false;
    };

    // Asks for the raw events on `root`; without the input extension (version 2.2) it sees
    // nothing.
    X11PasteWatch(xcb_connection_t* connection, quint32 root);
    ~X11PasteWatch();
    X11PasteWatch(const X11PasteWatch&) = delete;
    X11PasteWatch& operator=(const X11PasteWatch&) = delete;

    bool active() const { return opcode_ != 0; }
    // What `event` (an xcb_generic_event_t) shows: a paste, or nothing (also for every event
    // that is not a raw one).
    Paste see(const void* event);

private:
    bool isSynthetic(quint16 device);
    quint32 keysym(quint8 keycode);

    xcb_connection_t* connection_;
    quint8 opcode_ = 0;
    _XCBKeySymbols* symbols_ = nullptr;
    // The Control and Shift keys that are down, by key code.
    std::set<quint8> controls_;
    std::set<quint8> shifts_;
    // Which devices are XTEST's, asked of the server once per device.
    std::unordered_map<quint16, bool> synthetic_;
};

}  // namespace Platform
