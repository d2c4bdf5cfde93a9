#pragma once

#include <QString>
#include <map>
#include <optional>

#include "Settings/ProviderID.h"

// What the tray menu shows, read from the stores at the moment it opens.
struct MenuBarState {
    bool onboardingCompleted = false;
    // The main shortcut's text ("Alt+Leertaste"); none when the user removed it.
    std::optional<QString> mainShortcut;
    ProviderID provider = ProviderID::claudeCLI;
    // Each tool's short status ("angemeldet", "prüfe …").
    std::map<ProviderID, QString> providerStatus;
    bool accessibility = false;
    bool screenRecording = false;
    // Microphone and speech recognition together.
    bool microphone = false;
    // Why asking for a missing permission could change nothing on this desktop; empty when
    // asking can help.
    QString accessibilityObstacle;
    QString microphoneObstacle;

    bool operator==(const MenuBarState&) const = default;
};
