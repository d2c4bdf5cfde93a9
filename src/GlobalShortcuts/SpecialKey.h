#pragma once

#include <QString>
#include <optional>

namespace GlobalShortcuts {

// Keys that have no useful character in a keyboard layout: they are shown by a sign or a
// name of their own and never translated through the layout.
enum class SpecialKey {
    Return,
    Delete,
    DeleteForward,
    End,
    Escape,
    Help,
    Home,
    Space,
    Tab,
    PageUp,
    PageDown,
    UpArrow,
    RightArrow,
    DownArrow,
    LeftArrow,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    F17,
    F18,
    F19,
    F20,
    Keypad0,
    Keypad1,
    Keypad2,
    Keypad3,
    Keypad4,
    Keypad5,
    Keypad6,
    Keypad7,
    Keypad8,
    Keypad9,
    KeypadClear,
    KeypadDecimal,
    KeypadDivide,
    KeypadEnter,
    KeypadEquals,
    KeypadMinus,
    KeypadMultiply,
    KeypadPlus,
};

namespace SpecialKeys {

std::optional<SpecialKey> of(int keyCode);
QString presentableDescription(SpecialKey key);
// The Qt key that menus and key sequences use for it; none for the keypad keys, which Qt
// cannot tell from the main ones in a key sequence.
std::optional<int> qtKey(SpecialKey key);

}  // namespace SpecialKeys

}  // namespace GlobalShortcuts
