#pragma once

#include <QString>
#include <memory>

#include "AI/ProviderSetup.h"
#include "AI/ProviderStatusStore.h"
#include "AI/StoreProviderSetupServices.h"
#include "App/AppCoordinator.h"
#include "App/CollectorContextSource.h"
#include "App/DesktopOnboardingCoordinator.h"
#include "App/DesktopSettingsCoordinator.h"
#include "App/PanelControllerHost.h"
#include "App/TerminalLoginOpener.h"
#include "App/TrayNotices.h"
#include "Context/ContextCollector.h"
#include "Context/PageReader.h"
#include "Context/WindowCapture.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Memory/MemoryStore.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Output/FieldRestorer.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/ScreenPixels.h"
#include "Platform/linux/AtspiAccessibilityTrust.h"
#include "Platform/linux/DesktopSettingsOpener.h"
#include "Platform/linux/DesktopUrlOpener.h"
#include "Platform/linux/EwmhDesktopWindows.h"
#include "Platform/linux/EwmhWindowActivation.h"
#include "Platform/linux/EwmhWindowManagerInfo.h"
#include "Platform/linux/FileManagerRevealer.h"
#include "Platform/linux/OfflineSpeechRecognitionAccess.h"
#include "Platform/linux/PulseMicrophoneAccess.h"
#include "Platform/linux/QSettingsUserDefaults.h"
#include "Platform/linux/StandardOutputLines.h"
#include "Platform/linux/WmClassTerminalWindows.h"
#include "Platform/linux/X11ApplicationIcons.h"
#include "Platform/linux/X11Clipboard.h"
#include "Platform/linux/X11Compositor.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/X11HotKeyGrabber.h"
#include "Platform/linux/X11ModifierState.h"
#include "Platform/linux/X11ScreenCaptureAccess.h"
#include "Platform/linux/X11WindowImages.h"
#include "Platform/linux/XTestKeySender.h"
#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XdgAutostartLoginItem.h"
#include "Platform/linux/XdgInstalledApplications.h"
#include "Platform/linux/XdgTerminalLauncher.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"
#include "Voice/DictationFactory.h"
#include "Voice/QuickDictationController.h"

// Everything the program runs on an X11 desktop: the Linux backends, the stores and the
// coordinator that ties them together, built in the order they depend on each other. The
// program's main() and the benchmarks build one; start() is the coordinator's.
class DesktopApplication {
public:
    // `applicationSupport` holds the data folder (SettingsStore::applicationSupportFolder()).
    DesktopApplication(const QString& applicationSupport, Platform::Clock& clock,
                       Platform::SystemLog& log);

    AppCoordinator& coordinator() { return coordinator_; }
    PanelController& panel() { return panel_; }
    MemoryStore& memory() { return memory_; }
    GlobalShortcuts::NamedShortcuts& shortcuts() { return shortcuts_; }
    // What the stores have to tell the user; main() hands it the tray icon once it shows.
    TrayNotices& notices() { return notices_; }

private:
    void showSettingsOn(SettingsTab tab);

    Platform::Clock& clock_;
    Platform::SystemLog& log_;
    // Before the stores: they tell what they could not read while they load.
    TrayNotices notices_;
    std::shared_ptr<Platform::XcbConnection> x11_;
    Platform::XdgAutostartLoginItem loginItem_;
    SettingsStore settings_;
    Platform::AtspiAccessibilityTrust trust_;
    Platform::X11ScreenCaptureAccess screenCapture_;
    Platform::PulseMicrophoneAccess microphone_;
    Platform::OfflineSpeechRecognitionAccess speech_;
    Platform::DesktopSettingsOpener settingsPanes_;
    PermissionsManager permissions_;
    ProviderStatusStore providers_;
    MemoryStore memory_;

    Platform::ScreenPixelsWatch screenPixels_;
    Platform::AccessibilityWorker accessibility_;
    Platform::EwmhDesktopWindows desktopWindows_;
    Platform::X11WindowImages windowImages_;
    WindowCapture capture_;
    Platform::X11Clipboard clipboard_;
    Platform::X11Clipboard primary_;
    Platform::XTestKeySender keys_;
    Platform::EwmhWindowActivation activation_;
    Platform::X11ModifierState modifiers_;
    TextInserter inserter_;
    ContextCollector collector_;
    PageReader pages_;
    CollectorContextSource context_;

    DictationFactory dictation_;
    Platform::X11Compositor compositor_;
    QuickDictationController quickDictation_;
    Platform::WmClassTerminalWindows terminals_;
    FieldRestorer restorer_;
    UndoToast undoToast_;
    Platform::XdgTerminalLauncher terminalLauncher_;
    TerminalLoginOpener loginOpener_;

    Platform::QSettingsUserDefaults defaults_;
    Platform::X11HotKeyGrabber grabber_;
    Platform::StandardOutputLines hotKeyLines_;
    GlobalShortcuts::NamedShortcuts shortcuts_;

    Platform::X11ApplicationIcons applicationIcons_;
    Platform::DesktopUrlOpener urlOpener_;
    Platform::FileManagerRevealer fileRevealer_;
    Platform::X11FloatingWindows floatingWindows_;
    PanelController panel_;
    PanelControllerHost panelHost_;

    ProviderSetup providerSetup_;
    StoreProviderSetupServices providerSetupServices_;
    Platform::XdgInstalledApplications installedApplications_;
    Platform::EwmhWindowManagerInfo windowManager_;
    DesktopSettingsCoordinator settingsCoordinator_;
    SettingsWindowController settingsWindow_;
    DesktopOnboardingCoordinator onboardingCoordinator_;
    OnboardingWindowController onboardingWindow_;

    AppCoordinator coordinator_;
};
