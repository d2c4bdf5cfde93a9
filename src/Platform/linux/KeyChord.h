#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace Platform {

// What an X keyboard has to press for one of Tavrin's keys: a keysym and the modifiers held
// with it. Command becomes Control, the shortcut modifier of Linux applications.
struct KeyChord {
    quint32 keysym = 0;
    bool control = false;
    bool shift = false;
    bool alt = false;

    bool operator==(const KeyChord&) const = default;

    // The chord for `keyCode` with `flags` (KeySender.h), sent to a terminal or not. A terminal
    // copies and pastes with Control+Shift+C and +V, because Control+C interrupts and Control+Z
    // suspends the program running in it: those are never sent to a terminal (none). None also
    // for a key code Tavrin does not send.
    static std::optional<KeyChord> forKey(quint16 keyCode, quint64 flags, bool terminal);
};

// True when WM_CLASS names a terminal emulator.
bool isTerminalWindowClass(const QString& instance, const QString& windowClass);

}  // namespace Platform
