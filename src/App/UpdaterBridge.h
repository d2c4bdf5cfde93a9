#pragma once

// Tavrin's new versions come from the package manager, so it has no updater of its own:
// automatic checks are off and cannot be switched on, and asking for a check does nothing.
// The general settings and the tray menu read this to show their controls off and disabled.
class UpdaterBridge {
public:
    static bool automaticallyChecksForUpdates() { return false; }
    // There is nothing to switch on; the value stays false.
    static void setAutomaticallyChecksForUpdates(bool) {}
    static bool canCheckForUpdates() { return false; }
    static void checkForUpdates() {}
};
