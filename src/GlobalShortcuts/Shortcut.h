#pragma once

#include <QByteArray>
#include <QKeySequence>
#include <QString>
#include <functional>
#include <optional>

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Modifiers.h"

class QEvent;

namespace GlobalShortcuts {

// The character a key types in the current layout, by stored key code; none when it types
// none. The hot-key grabber answers it.
using CharacterOf = std::function<std::optional<char32_t>(int keyCode)>;
// The stored key code of a native scan code of one of our own key events.
using KeyCodeOfScanCode = std::function<std::optional<int>(quint32 scanCode)>;

// One key combination: a positional key code and the mask of its modifiers.
struct Shortcut {
    int carbonKeyCode = 0;
    int carbonModifiers = 0;

    Shortcut() = default;
    // Only the five modifier bits are kept.
    Shortcut(int keyCode, int modifiers);
    Shortcut(Key key, Modifiers modifiers);

    // The combination of a key press or release; none for other events and for keys we do
    // not know. Events from the offscreen platform carry no scan code: the Qt key stands in.
    static std::optional<Shortcut> fromEvent(const QEvent& event,
                                             const KeyCodeOfScanCode& keyCodeOfScanCode);

    bool operator==(const Shortcut&) const = default;

    Key key() const { return Key{carbonKeyCode}; }
    Modifiers modifiers() const { return ModifierMask::fromCarbon(carbonModifiers); }

    // The stored form: {"carbonKeyCode":49,"carbonModifiers":2048}.
    QByteArray toJson() const;
    // None unless both members are integers. Unknown modifier bits are dropped here, so a
    // hand-edited value never reaches the grabs with them.
    static std::optional<Shortcut> fromJson(const QByteArray& json);

    // "Alt+Leertaste", "Strg+Alt+Umschalt+Super+F12", "Super+A"; "�" for a key without a
    // character.
    QString presentableDescription(const CharacterOf& characterOf) const;
    // The key sequence of menus and QShortcut; empty when the key has none (keypad keys,
    // keys without a character).
    QKeySequence keySequence(const CharacterOf& characterOf) const;
};

inline size_t qHash(const Shortcut& shortcut, size_t seed = 0) {
    return ::qHashMulti(seed, shortcut.carbonKeyCode, shortcut.carbonModifiers);
}

}  // namespace GlobalShortcuts
