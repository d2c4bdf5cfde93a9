#pragma once

#include "Permissions/PermissionsManager.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSettingsPaneOpener.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"

// The permissions as a test grants them, the settings pane that opens nowhere, and the
// manager the views ask: what the settings window and the onboarding both show.
struct FakePermissions {
    Platform::FakeAccessibilityTrust trust;
    Platform::FakeScreenCaptureAccess screen;
    Platform::FakeMicrophoneAccess microphone;
    Platform::FakeSpeechRecognitionAccess speech;
    Platform::FakeSettingsPaneOpener paneOpener;
    PermissionsManager permissionsManager{{trust, screen, microphone, speech, paneOpener}};
};
