#pragma once

#include <QtGlobal>

namespace Platform {

// The modifier keys the user holds on the keyboard right now.
class ModifierState {
public:
    virtual ~ModifierState() = default;
    // The held modifiers as EventFlag bits (KeySender.h).
    virtual quint64 currentFlags() = 0;
};

}  // namespace Platform
