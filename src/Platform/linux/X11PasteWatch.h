#pragma once

#include <QtGlobal>
#include <optional>
#include <set>
#include <unordered_map>

#include "Platform/linux/KeyboardGroups.h"

struct xcb_connection_t;

namespace Platform {

// Sees, in the raw key and button presses that the window system shows every client that asks
// (whichever window has the keyboard, and during grabs), when somebody pastes: Control+V (with
// or without Shift, as terminals take it), Shift+Insert (also with Control), a middle click
// (the primary selection), a right click, the Menu key or Shift+F10 (a context menu, whose
// "paste" is no key). A paste chord is judged as programs match their shortcuts: in the group of
// the keyboard's layouts in force at the press, and, where that group types no Latin letter on
// the key, in the others (Control and the Cyrillic "м" of ru,us pastes). Every other press is
// only input, which tells which program the user went on in; nothing of what is typed is kept
// but whether a Control or Shift key is down.
//
// Used on one thread, with the connection the events arrive on.
class X11PasteWatch {
public:
    struct Paste {
        // `input`: any other key or button press of the user's (or a key sent through XTEST).
        enum class Kind { none, key, button, input };
        Kind kind = Kind::none;
        // The window system's time of the press.
        quint32 time = 0;
        // Sent through the XTEST extension (as Tavrin sends its keys), not typed on a keyboard.
        // Where the XTEST device is not known, every key counts as possibly sent.
        bool synthetic = false;
        // A press of the pointer's buttons (it goes where the pointer is), not of a key.
        bool fromButton = false;
    };

    // Asks for the raw events on `root`, and for the keyboard's group and layouts; without the
    // input extension (version 2.1) it sees nothing.
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
    // Follows the keyboard's group and layouts from XKB's events; false for any other event.
    bool followKeyboard(const void* event);

    xcb_connection_t* connection_;
    quint8 opcode_ = 0;
    quint8 xkbEvent_ = 0;
    std::optional<KeyboardGroups> keyboard_;
    int group_ = 0;
    // The Control and Shift keys that are down, by key code.
    std::set<quint8> controls_;
    std::set<quint8> shifts_;
    // Which devices are XTEST's, asked of the server once per device.
    std::unordered_map<quint16, bool> synthetic_;
};

}  // namespace Platform
