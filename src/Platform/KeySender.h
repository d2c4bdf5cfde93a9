#pragma once

#include <QtGlobal>

namespace Platform {

// Key codes of the keys Tavrin sends, in the numbering stored throughout Tavrin (the
// virtual key codes of the original keyboard layout); the backend maps them to its own.
namespace VirtualKey {
inline constexpr quint16 Z = 6;
inline constexpr quint16 C = 8;
inline constexpr quint16 V = 9;
inline constexpr quint16 Return = 36;
// Where the original keyboards have Help, PC keyboards have Insert: with Shift, the paste key of
// terminals of the xterm family, from the primary selection.
inline constexpr quint16 Insert = 114;
}  // namespace VirtualKey

// Modifier flags of a key event and of the keyboard state. Command is the shortcut modifier
// (Control on Linux when sent), Option is Alt.
namespace EventFlag {
inline constexpr quint64 None = 0;
inline constexpr quint64 Shift = 0x20000;
inline constexpr quint64 Control = 0x40000;
inline constexpr quint64 Option = 0x80000;
inline constexpr quint64 Command = 0x100000;
// The modifiers a user can still be holding from a shortcut; Caps Lock is not among them.
inline constexpr quint64 HeldModifiers = Shift | Control | Option | Command;
}  // namespace EventFlag

// Synthetic key presses for the window that has the keyboard focus, as if the user typed them.
class KeySender {
public:
    virtual ~KeySender() = default;
    // One press and release of `keyCode` with `flags` held, without a pause in between.
    // In a terminal, copy and paste use the terminal's own combinations, and keys that would
    // interrupt or suspend its program are not sent at all. Says whether the key went out, so
    // that nobody waits for what a key that was never sent would have done.
    virtual bool sendKey(quint16 keyCode, quint64 flags) = 0;
};

}  // namespace Platform
