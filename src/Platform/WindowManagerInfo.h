#pragma once

#include <QString>
#include <optional>

namespace Platform {

// The window manager of the session, which keeps some key combinations for itself.
class WindowManagerInfo {
public:
    virtual ~WindowManagerInfo() = default;
    // The name it gives itself ("Openbox", "Mutter"); none when no window manager runs or it
    // gives no name.
    virtual std::optional<QString> name() = 0;
};

}  // namespace Platform
