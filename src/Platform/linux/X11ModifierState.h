#pragma once

#include <memory>

#include "Platform/ModifierState.h"

namespace Platform {

class XcbConnection;

// The modifier keys held now, from the server's pointer query: Alt is Option, Super Command.
class X11ModifierState final : public ModifierState {
public:
    explicit X11ModifierState(std::shared_ptr<XcbConnection> connection);
    quint64 currentFlags() override;

private:
    std::shared_ptr<XcbConnection> connection_;
};

}  // namespace Platform
