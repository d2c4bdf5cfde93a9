#pragma once

#include <QFlags>
#include <QString>
#include <Qt>

namespace GlobalShortcuts {

// The modifiers of a shortcut, with the bits of the stored modifier mask.
enum class Modifier : int {
    Command = 0x100,
    Shift = 0x200,
    Option = 0x800,
    Control = 0x1000,
    Function = 0x20000,
};
Q_DECLARE_FLAGS(Modifiers, Modifier)
Q_DECLARE_OPERATORS_FOR_FLAGS(Modifiers)

namespace ModifierMask {

// The stored mask of `modifiers` and back; every bit that is not one of the five is dropped.
int carbon(Modifiers modifiers);
Modifiers fromCarbon(int mask);
// Alt is Option and Meta (Super on X11) is Command; AltGr, Caps Lock and keypad are no
// modifier of a shortcut.
Modifiers fromQt(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers toQt(Modifiers modifiers);
// "Strg+", "Alt+", "Umschalt+", "Super+", then the globe of Function, always in this order.
QString symbolicRepresentation(Modifiers modifiers);

}  // namespace ModifierMask

}  // namespace GlobalShortcuts
