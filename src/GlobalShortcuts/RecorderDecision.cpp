#include "GlobalShortcuts/RecorderDecision.h"

#include "GlobalShortcuts/Key.h"

namespace GlobalShortcuts {

namespace {

using Action = RecorderDecision::Action;

constexpr Qt::KeyboardModifiers shortcutModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;

// Pressed alone they are no shortcut, and beeping at every Shift would be noise.
bool isModifierKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_AltGr:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_Mode_switch:
            return true;
        default:
            return false;
    }
}

bool isFunctionKey(int qtKey) {
    return qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35;
}

}  // namespace

RecorderDecision decideRecording(
    const RecorderEvent& event,
    const std::function<std::optional<QString>(const Shortcut&)>& menuItemUsing,
    const std::function<bool(const Shortcut&)>& isSystemShortcut) {
    using Kind = RecorderEvent::Kind;
    if (event.kind == Kind::MouseUpOutside)
        return {Action::EndAndPass};
    if (event.kind == Kind::MouseUpInside)
        return {Action::Swallow};
    if (isModifierKey(event.qtKey))
        return {Action::Ignore};

    const Qt::KeyboardModifiers held = event.modifiers & shortcutModifiers;
    if (held == Qt::NoModifier) {
        if (event.qtKey == Qt::Key_Tab)
            return {Action::EndAndPass};
        if (event.qtKey == Qt::Key_Escape)
            return {Action::EndAndSwallow};
        if (event.qtKey == Qt::Key_Backspace || event.qtKey == Qt::Key_Delete)
            return {Action::Clear};
    }
    // Without Control, Alt or Super a key would take typing away from every program.
    if ((held & ~Qt::ShiftModifier) == Qt::NoModifier && !isFunctionKey(event.qtKey))
        return {Action::Beep};
    if (!event.shortcut)
        return {Action::Beep};
    const Shortcut shortcut = *event.shortcut;
    if (menuItemUsing) {
        if (const auto title = menuItemUsing(shortcut))
            return {Action::MenuClash, shortcut, *title};
    }
    const bool plainF12 = shortcut == Shortcut(Key::f12, {});
    if (!plainF12 && isSystemShortcut && isSystemShortcut(shortcut))
        return {Action::SystemClash, shortcut};
    return {Action::Store, shortcut};
}

}  // namespace GlobalShortcuts
