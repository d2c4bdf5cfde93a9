#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace Platform {
class AccessibilityTrust;
class ScreenCaptureAccess;
class MicrophoneAccess;
class SpeechRecognitionAccess;
class SettingsPaneOpener;
}  // namespace Platform

// The four permissions Tavrin needs from the system, as flags that follow the system only
// through refresh() and the requests; nothing watches the system by itself. One instance
// for the life of the program, main thread only.
class PermissionsManager : public QObject {
    Q_OBJECT

public:
    struct Backends {
        Platform::AccessibilityTrust& accessibility;
        Platform::ScreenCaptureAccess& screenCapture;
        Platform::MicrophoneAccess& microphone;
        Platform::SpeechRecognitionAccess& speech;
        Platform::SettingsPaneOpener& settings;
    };

    explicit PermissionsManager(Backends backends, QObject* parent = nullptr);

    // All false until the first refresh.
    bool accessibility() const { return accessibility_; }
    bool screenRecording() const { return screenRecording_; }
    bool microphone() const { return microphone_; }
    bool speech() const { return speech_; }

    // Reads the four states again; a flag notifies only when it changed.
    void refresh();

    // Each asks the system and, when the permission is still missing, opens its pane.
    void requestAccessibility();
    void requestScreenRecording();
    // Asks for the microphone, then for speech recognition, and refreshes at the end; waits for
    // the system's answers without blocking. A user who refused both sees the microphone pane
    // and then the speech recognition pane, which stays in front. `done` runs after the
    // refresh, with the answers in place, unless the manager is gone by then.
    void requestMicrophone(std::function<void()> done = {});

    // Opens `pane` (one of Platform::SettingsPaneOpener's), or the privacy overview without
    // one. False when there was nothing to open.
    bool openSettings(const std::optional<QString>& pane = std::nullopt);
    // Whether openSettings(pane) would show anything, for enabling the buttons.
    bool canOpenSettings(const std::optional<QString>& pane = std::nullopt) const;

    enum class Permission { accessibility, screenRecording, microphone };
    // A missing part of a permission that no request on this desktop can supply: nothing
    // answers the request and no settings program opens for it.
    enum class Obstacle {
        accessibilityBus,  // no accessibility bus to turn on
        soundInput,        // no sound server with an input
        speechModel,       // no speech model installed
    };
    // The missing parts of `permission` that asking cannot supply, in the order a request
    // meets them; empty when nothing is missing or every missing part can be asked for.
    // Reads the cached states: fast enough for the permission list's polling.
    QList<Obstacle> obstacles(Permission permission) const;
    // Whether a request for `permission` can change anything here: something is missing and
    // not every missing part is an obstacle. A button that asks is off when this is false.
    bool canRequest(Permission permission) const;

signals:
    void accessibilityChanged(bool granted);
    void screenRecordingChanged(bool granted);
    void microphoneChanged(bool granted);
    void speechChanged(bool granted);

private:
    void continueWithSpeech(std::function<void()> done);
    void requestSpeechAuthorization(std::function<void()> then);

    void setAccessibility(bool granted);
    void setScreenRecording(bool granted);
    void setMicrophone(bool granted);
    void setSpeech(bool granted);

    Backends backends_;
    bool accessibility_ = false;
    bool screenRecording_ = false;
    bool microphone_ = false;
    bool speech_ = false;
};
