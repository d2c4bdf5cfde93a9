#pragma once

#include <QLatin1String>
#include <QString>
#include <optional>

namespace Platform {

// Opens the desktop's settings where the user grants a permission.
class SettingsPaneOpener {
public:
    // The panes, one per permission.
    static constexpr QLatin1String accessibilityPane{"Privacy_Accessibility"};
    static constexpr QLatin1String screenCapturePane{"Privacy_ScreenCapture"};
    static constexpr QLatin1String microphonePane{"Privacy_Microphone"};
    static constexpr QLatin1String speechRecognitionPane{"Privacy_SpeechRecognition"};

    virtual ~SettingsPaneOpener() = default;
    // Whether open(pane) would show anything; views disable their button when not.
    virtual bool canOpen(const std::optional<QString>& pane) = 0;
    // Shows `pane`, or the settings' privacy overview without one. False when nothing could be
    // started (no settings program for this desktop, none for this pane).
    virtual bool open(const std::optional<QString>& pane) = 0;
};

}  // namespace Platform
