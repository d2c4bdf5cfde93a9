#include "GlobalShortcuts/Modifiers.h"

#include <QCoreApplication>

namespace GlobalShortcuts::ModifierMask {

namespace {

constexpr int knownBits = int(Modifier::Command) | int(Modifier::Shift) | int(Modifier::Option) |
                          int(Modifier::Control) | int(Modifier::Function);

}  // namespace

int carbon(Modifiers modifiers) {
    return modifiers.toInt() & knownBits;
}

Modifiers fromCarbon(int mask) {
    return Modifiers::fromInt(mask & knownBits);
}

Modifiers fromQt(Qt::KeyboardModifiers modifiers) {
    Modifiers result;
    result.setFlag(Modifier::Control, modifiers & Qt::ControlModifier);
    result.setFlag(Modifier::Option, modifiers & Qt::AltModifier);
    result.setFlag(Modifier::Shift, modifiers & Qt::ShiftModifier);
    result.setFlag(Modifier::Command, modifiers & Qt::MetaModifier);
    return result;
}

Qt::KeyboardModifiers toQt(Modifiers modifiers) {
    Qt::KeyboardModifiers result;
    result.setFlag(Qt::ControlModifier, modifiers & Modifier::Control);
    result.setFlag(Qt::AltModifier, modifiers & Modifier::Option);
    result.setFlag(Qt::ShiftModifier, modifiers & Modifier::Shift);
    result.setFlag(Qt::MetaModifier, modifiers & Modifier::Command);
    return result;
}

QString symbolicRepresentation(Modifiers modifiers) {
    QString text;
    if (modifiers & Modifier::Control)
        text += QCoreApplication::translate("GlobalShortcuts", "Strg+");
    if (modifiers & Modifier::Option)
        text += QCoreApplication::translate("GlobalShortcuts", "Alt+");
    if (modifiers & Modifier::Shift)
        text += QCoreApplication::translate("GlobalShortcuts", "Umschalt+");
    if (modifiers & Modifier::Command)
        text += QCoreApplication::translate("GlobalShortcuts", "Super+");
    if (modifiers & Modifier::Function)
        text += QStringLiteral("\U0001F310\uFE0E+");
    return text;
}

}  // namespace GlobalShortcuts::ModifierMask
