#pragma once

#include <memory>

#include "Platform/AccessibilityTrust.h"
#include "Platform/linux/BackgroundProbe.h"

namespace Platform {

// Trusted when the accessibility bus launcher (org.a11y.Bus on the session bus) answers,
// hands out the bus address and reports the bus enabled (IsEnabled, or a screen reader's
// ScreenReaderEnabled: applications expose themselves for either). The answer is cached and
// refreshed in the background, so the settings window can poll it every second.
class AtspiAccessibilityTrust final : public AccessibilityTrust {
public:
    AtspiAccessibilityTrust();
    ~AtspiAccessibilityTrust() override;

    bool isTrusted() override;
    // Sets IsEnabled, never ScreenReaderEnabled: that one is saved in the desktop settings and
    // starts a screen reader on some desktops.
    bool requestTrust() override;
    // False once a probe found no bus launcher to ask.
    bool canRequestTrust() override;

    enum class Bus { absent, off, on };

private:
    std::unique_ptr<BackgroundProbe<Bus>> probe_;
};

}  // namespace Platform
