#pragma once

#include <QString>
#include <optional>

namespace Platform {

// Starting Tavrin when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Each returns none on success, else a description of what went wrong.
    virtual std::optional<QString> registerItem() = 0;
    // Nothing registered is no error.
    virtual std::optional<QString> unregisterItem() = 0;
};

}  // namespace Platform
