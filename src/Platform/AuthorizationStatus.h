#pragma once

namespace Platform {

// What the system says about a permission it may ask the user for.
enum class AuthorizationStatus {
    notDetermined,  // not asked yet (or the answer is not in yet)
    restricted,     // nothing the user can change in the settings
    denied,         // refused; the settings can change it
    authorized,
};

}  // namespace Platform
