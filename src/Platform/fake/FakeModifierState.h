#pragma once

#include "Platform/ModifierState.h"

namespace Platform {

class FakeModifierState final : public ModifierState {
public:
    quint64 currentFlags() override {
        ++reads;
        return flags;
    }

    quint64 flags = 0;
    int reads = 0;
};

}  // namespace Platform
