#include "Permissions/PermissionsManager.h"

#include <QPointer>
#include <algorithm>

#include "Platform/AccessibilityTrust.h"
#include "Platform/MicrophoneAccess.h"
#include "Platform/ScreenCaptureAccess.h"
#include "Platform/SettingsPaneOpener.h"
#include "Platform/SpeechRecognitionAccess.h"

using Platform::AuthorizationStatus;
using Platform::SettingsPaneOpener;

PermissionsManager::PermissionsManager(Backends backends, QObject* parent)
    : QObject(parent), backends_(backends) {}

void PermissionsManager::refresh() {
    const bool accessibility = backends_.accessibility.isTrusted();
    const bool screenRecording = backends_.screenCapture.isGranted();
    const bool microphone = backends_.microphone.status() == AuthorizationStatus::authorized;
    const bool speech = backends_.speech.status() == AuthorizationStatus::authorized;
    setAccessibility(accessibility);
    setScreenRecording(screenRecording);
    setMicrophone(microphone);
    setSpeech(speech);
}

void PermissionsManager::requestAccessibility() {
    setAccessibility(backends_.accessibility.requestTrust());
    if (!accessibility_)
        openSettings(QString(SettingsPaneOpener::accessibilityPane));
}

void PermissionsManager::requestScreenRecording() {
    setScreenRecording(backends_.screenCapture.request());
    if (!screenRecording_)
        openSettings(QString(SettingsPaneOpener::screenCapturePane));
}

void PermissionsManager::requestMicrophone(std::function<void()> done) {
    QPointer<PermissionsManager> self(this);
    auto next = [self, done = std::move(done)] {
        if (self)
            self->continueWithSpeech(done);
    };
    switch (backends_.microphone.status()) {
        case AuthorizationStatus::restricted:
        case AuthorizationStatus::denied:
            openSettings(QString(SettingsPaneOpener::microphonePane));
            next();
            break;
        case AuthorizationStatus::notDetermined:
            // Whatever the answer, speech recognition is asked next and the refresh reads it.
            backends_.microphone.requestAccess(next);
            break;
        case AuthorizationStatus::authorized:
            next();
            break;
    }
}

void PermissionsManager::continueWithSpeech(std::function<void()> done) {
    QPointer<PermissionsManager> self(this);
    auto finish = [self, done = std::move(done)] {
        if (!self)
            return;
        self->refresh();
        if (done)
            done();
    };
    switch (backends_.speech.status()) {
        case AuthorizationStatus::notDetermined:
            requestSpeechAuthorization(finish);
            break;
        case AuthorizationStatus::denied:
            openSettings(QString(SettingsPaneOpener::speechRecognitionPane));
            finish();
            break;
        case AuthorizationStatus::restricted:
        case AuthorizationStatus::authorized:
            finish();
            break;
    }
}

void PermissionsManager::requestSpeechAuthorization(std::function<void()> then) {
    backends_.speech.requestAuthorization(std::move(then));
}

bool PermissionsManager::openSettings(const std::optional<QString>& pane) {
    return backends_.settings.open(pane);
}

bool PermissionsManager::canOpenSettings(const std::optional<QString>& pane) const {
    return backends_.settings.canOpen(pane);
}

namespace {

// A part of a permission, whether it is there, and whether a request can bring it.
struct Part {
    bool granted;
    bool askable;
    PermissionsManager::Obstacle obstacle;
};

}  // namespace

// Each request's road, as the request functions above take it: what answers on its own, and
// which settings pane it opens otherwise.
static QList<Part> parts(PermissionsManager::Permission permission,
                         PermissionsManager::Backends backends, const PermissionsManager& manager) {
    using Obstacle = PermissionsManager::Obstacle;
    switch (permission) {
        case PermissionsManager::Permission::accessibility:
            return {{manager.accessibility(),
                     backends.accessibility.canRequestTrust() ||
                         manager.canOpenSettings(QString(SettingsPaneOpener::accessibilityPane)),
                     Obstacle::accessibilityBus}};
        case PermissionsManager::Permission::screenRecording:
            // Asked where the system asks; X11 grants it anyway.
            return {};
        case PermissionsManager::Permission::microphone: {
            const AuthorizationStatus microphone = backends.microphone.status();
            const AuthorizationStatus speech = backends.speech.status();
            return {
                {microphone == AuthorizationStatus::authorized,
                 microphone == AuthorizationStatus::notDetermined ||
                     manager.canOpenSettings(QString(SettingsPaneOpener::microphonePane)),
                 Obstacle::soundInput},
                {speech == AuthorizationStatus::authorized,
                 speech == AuthorizationStatus::notDetermined ||
                     (speech == AuthorizationStatus::denied &&
                      manager.canOpenSettings(QString(SettingsPaneOpener::speechRecognitionPane))),
                 Obstacle::speechModel}};
        }
    }
    return {};
}

QList<PermissionsManager::Obstacle> PermissionsManager::obstacles(Permission permission) const {
    QList<Obstacle> found;
    for (const Part& part : parts(permission, backends_, *this))
        if (!part.granted && !part.askable)
            found.append(part.obstacle);
    return found;
}

bool PermissionsManager::canRequest(Permission permission) const {
    if (permission == Permission::screenRecording)
        return !screenRecording_;
    const QList<Part> all = parts(permission, backends_, *this);
    return std::any_of(all.cbegin(), all.cend(),
                       [](const Part& part) { return !part.granted && part.askable; });
}

void PermissionsManager::setAccessibility(bool granted) {
    if (granted == accessibility_)
        return;
    accessibility_ = granted;
    emit accessibilityChanged(granted);
}

void PermissionsManager::setScreenRecording(bool granted) {
    if (granted == screenRecording_)
        return;
    screenRecording_ = granted;
    emit screenRecordingChanged(granted);
}

void PermissionsManager::setMicrophone(bool granted) {
    if (granted == microphone_)
        return;
    microphone_ = granted;
    emit microphoneChanged(granted);
}

void PermissionsManager::setSpeech(bool granted) {
    if (granted == speech_)
        return;
    speech_ = granted;
    emit speechChanged(granted);
}
