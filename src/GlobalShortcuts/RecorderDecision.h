#pragma once

#include <QString>
#include <Qt>
#include <functional>
#include <optional>

#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

// What the recorder does with one event while it records.
struct RecorderDecision {
    enum class Action {
        // Leave the key to its own handling (a release, a lone modifier) and keep recording.
        Ignore,
        // Stop recording; the event goes on to where it was going.
        EndAndPass,
        // Stop recording and drop the event: nothing is stored.
        EndAndSwallow,
        // Drop the event and keep recording.
        Swallow,
        // Remove the stored shortcut.
        Clear,
        // Refuse the key with the system beep.
        Beep,
        // A menu item already uses the combination (its title in `menuItemTitle`).
        MenuClash,
        // The system or another program keeps the combination.
        SystemClash,
        Store,
    };

    Action action = Action::Ignore;
    std::optional<Shortcut> shortcut;
    QString menuItemTitle;

    bool operator==(const RecorderDecision&) const = default;
};

// One event as the recorder sees it.
struct RecorderEvent {
    enum class Kind { KeyPress, MouseUpInside, MouseUpOutside };
    Kind kind = Kind::KeyPress;
    int qtKey = 0;
    Qt::KeyboardModifiers modifiers;
    // The combination of the key event; none for keys we cannot store.
    std::optional<Shortcut> shortcut;
};

// The recorder's rules: Escape ends without storing, Backspace and Delete clear, a
// combination needs Control, Alt or Super unless its key is a function key, and a
// combination taken by a menu item or by the system is refused with an explanation.
RecorderDecision decideRecording(
    const RecorderEvent& event,
    const std::function<std::optional<QString>(const Shortcut&)>& menuItemUsing,
    const std::function<bool(const Shortcut&)>& isSystemShortcut);

}  // namespace GlobalShortcuts
