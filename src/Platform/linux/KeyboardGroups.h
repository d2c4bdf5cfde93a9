#pragma once

#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

struct xcb_connection_t;

namespace Platform {

// What each key of the keyboard types in each group of its layouts (us,fr: two groups), at its
// first level. The server sends a key code in the group that is in force at that moment, so a
// key is chosen for a symbol in that group, never by a table of codes: with us,fr and the US
// group locked, the lowest code that carries "z" anywhere is the US "w".
class KeyboardGroups {
public:
    static constexpr int maxGroups = 4;
    // The symbols of one key, one per group it has; a key with fewer groups than the keyboard
    // wraps around, as the server does.
    using Symbols = std::vector<quint32>;

    KeyboardGroups() = default;
    // For tests and the reader: `keys[code]` is what that key types per group.
    explicit KeyboardGroups(std::array<Symbols, 256> keys);

    // The keyboard's layouts as the server has them now; none without XKB.
    static std::optional<KeyboardGroups> read(xcb_connection_t* connection);
    // The group in force now (locked, latched and held together); none without XKB.
    static std::optional<int> currentGroup(xcb_connection_t* connection);

    // What `code` types at its first level in `group`; 0 for nothing.
    quint32 symbol(quint8 code, int group) const;
    // The key to press for `keysym` while `group` is in force: the one that types it there. A
    // group that types it on no key (Russian has no "v") gets the key that types it in another
    // group while typing no Latin-1 symbol in this one: programs match their shortcuts there
    // (Control and the Cyrillic "м" pastes). Failing that, the key of the first group that types
    // it. 0 when no key does.
    quint8 keyFor(quint32 keysym, int group) const;
    // Whether a press of `code` in `group` is `keysym` to a program matching a shortcut: the
    // key types it in that group, or types no Latin-1 symbol there and `keysym` in another
    // group.
    bool matches(quint8 code, int group, quint32 keysym) const;

private:
    static bool latin1(quint32 keysym) { return keysym != 0 && keysym <= 0xff; }

    std::array<Symbols, 256> keys_{};
};

}  // namespace Platform
