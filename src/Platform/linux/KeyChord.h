#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace Platform {

// The kind of window synthetic keys go to. Ordered from the least to the most careful
// treatment, so that of two candidates the later one is the safe choice.
enum class KeyTarget {
    Application,
    // Copies and pastes with Control+Shift+C and +V, because Control+C interrupts and
    // Control+Z suspends the program running in it.
    Terminal,
    // A terminal whose own keys are not known (its program is one, its window class names
    // none of the terminals above): Control+Shift+V may reach the program as a control
    // character (termit). Shift+Insert, every terminal's paste, reads the primary selection in
    // some and the clipboard in others.
    OtherTerminal,
    // A terminal of the xterm family: unless its user has bound them otherwise,
    // Control+Shift+C and +V still reach the program as Control+C and Control+V. It pastes the
    // primary selection with Shift+Insert.
    XTermFamily,
};

// What an X keyboard has to press for one of Tavrin's keys: a keysym and the modifiers held
// with it. Command becomes Control, the shortcut modifier of Linux applications.
struct KeyChord {
    quint32 keysym = 0;
    bool control = false;
    bool shift = false;
    bool alt = false;

    bool operator==(const KeyChord&) const = default;

    // The chord for `keyCode` with `flags` (KeySender.h) sent to `target`: a terminal gets
    // Control+Shift for copy and paste and never Control+Z, an xterm no copy or paste key at
    // all (none).
    // None also for a key code Tavrin does not send.
    static std::optional<KeyChord> forKey(quint16 keyCode, quint64 flags, KeyTarget target);
};

// The kind of window WM_CLASS names.
KeyTarget keyTargetOf(const QString& instance, const QString& windowClass);
// The kind of window, from its WM_CLASS and, where that names no terminal, from the program
// behind it (`pid`, 0 when not known): a terminal started under another class ("xterm -class
// Notes"), or one that no list names but is built on a terminal widget.
KeyTarget keyTargetOf(const QString& instance, const QString& windowClass, qint64 pid);
// The same from the program alone: its executable's name, the terminal widgets it has loaded.
KeyTarget keyTargetOfProgram(const QByteArray& executable, const QByteArray& libraries);

}  // namespace Platform
