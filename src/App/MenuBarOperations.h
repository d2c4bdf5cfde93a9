#pragma once

#include "App/MenuBarState.h"
#include "Settings/ProviderID.h"

// What the tray menu asks of the application core.
class MenuBarOperations {
public:
    virtual ~MenuBarOperations() = default;

    virtual MenuBarState menuState() const = 0;
    // Checks the permissions and the tools' sign-in again; the menu shows the answers as they
    // come.
    virtual void refreshStatus() = 0;

    virtual void invoke() = 0;
    virtual void dismiss() = 0;
    virtual void showOnboarding() = 0;
    // Closes the panel, checks the tools again and shows the settings on the tab last seen.
    virtual void openSettings() = 0;
    virtual void selectProvider(ProviderID provider) = 0;
    virtual void requestAccessibility() = 0;
    virtual void requestScreenRecording() = 0;
    // Asks for the microphone and speech recognition; answers later.
    virtual void requestMicrophone() = 0;
    virtual void quit() = 0;
};
