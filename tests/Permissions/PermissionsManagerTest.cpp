#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "Permissions/PermissionsManager.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSettingsPaneOpener.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"

using Platform::AuthorizationStatus;
using Platform::SettingsPaneOpener;
using Panes = std::vector<std::optional<QString>>;

namespace {

const QString kAccessibility(SettingsPaneOpener::accessibilityPane);
const QString kScreenCapture(SettingsPaneOpener::screenCapturePane);
const QString kMicrophone(SettingsPaneOpener::microphonePane);
const QString kSpeech(SettingsPaneOpener::speechRecognitionPane);

class PermissionsManagerTest : public ::testing::Test {
protected:
    PermissionsManagerTest() {
        QObject::connect(&manager, &PermissionsManager::accessibilityChanged,
                         [this](bool on) { note("accessibility", on); });
        QObject::connect(&manager, &PermissionsManager::screenRecordingChanged,
                         [this](bool on) { note("screenRecording", on); });
        QObject::connect(&manager, &PermissionsManager::microphoneChanged,
                         [this](bool on) { note("microphone", on); });
        QObject::connect(&manager, &PermissionsManager::speechChanged,
                         [this](bool on) { note("speech", on); });
    }

    void note(const char* field, bool on) {
        notified << QLatin1String(field) + (on ? QStringLiteral("=1") : QStringLiteral("=0"));
    }

    Platform::FakeAccessibilityTrust trust;
    Platform::FakeScreenCaptureAccess screen;
    Platform::FakeMicrophoneAccess mic;
    Platform::FakeSpeechRecognitionAccess speech;
    Platform::FakeSettingsPaneOpener settings;
    PermissionsManager manager{{trust, screen, mic, speech, settings}};
    QStringList notified;
};

}  // namespace

TEST_F(PermissionsManagerTest, RefreshNotifiesOnlyWhatChanged) {
    trust.trusted = true;
    mic.current = AuthorizationStatus::authorized;
    speech.current = AuthorizationStatus::denied;
    manager.refresh();
    EXPECT_EQ(notified, QStringList({"accessibility=1", "microphone=1"}));

    notified.clear();
    manager.refresh();
    EXPECT_TRUE(notified.isEmpty());

    screen.granted = true;
    mic.current = AuthorizationStatus::restricted;
    manager.refresh();
    EXPECT_EQ(notified, QStringList({"screenRecording=1", "microphone=0"}));
    EXPECT_TRUE(settings.opened.empty());
}

TEST_F(PermissionsManagerTest,
       AccessibilityAndScreenRecordingRequestsOpenTheirPaneOnlyWhenRefused) {
    const struct {
        bool already;
        bool grantOnRequest;
        bool expected;
        Panes panes;
    } cases[] = {
        {true, false, true, {}},
        {false, true, true, {}},
        {false, false, false, {kAccessibility, kScreenCapture}},
    };
    for (const auto& c : cases) {
        Platform::FakeAccessibilityTrust trust;
        Platform::FakeScreenCaptureAccess screen;
        Platform::FakeSettingsPaneOpener opener;
        trust.trusted = screen.granted = c.already;
        trust.grantOnRequest = screen.grantOnRequest = c.grantOnRequest;
        PermissionsManager manager({trust, screen, mic, speech, opener});

        manager.requestAccessibility();
        manager.requestScreenRecording();

        EXPECT_EQ(manager.accessibility(), c.expected);
        EXPECT_EQ(manager.screenRecording(), c.expected);
        EXPECT_EQ(trust.requests, 1);
        EXPECT_EQ(screen.requests, 1);
        EXPECT_EQ(opener.opened, c.panes) << c.already << c.grantOnRequest;
    }
}

TEST_F(PermissionsManagerTest, MicrophoneRequestAsksOrOpensPanesInOrderAndRefreshesAtTheEnd) {
    constexpr auto A = AuthorizationStatus::authorized, D = AuthorizationStatus::denied,
                   R = AuthorizationStatus::restricted, N = AuthorizationStatus::notDetermined;
    // The statuses before the request, the user's answers when asked, the panes opened and
    // the flags at the end.
    const struct {
        const char* name;
        AuthorizationStatus microphone;
        AuthorizationStatus speech;
        std::optional<AuthorizationStatus> microphoneAnswer;
        std::optional<AuthorizationStatus> speechAnswer;
        Panes panes;
        bool microphoneFlag;
        bool speechFlag;
    } cases[] = {
        {"microphone granted, speech not asked", A, N, {}, A, {}, true, true},
        {"microphone refused, speech granted", D, A, {}, {}, {kMicrophone}, false, true},
        {"both refused: speech pane in front", D, D, {}, {}, {kMicrophone, kSpeech}, false, false},
        {"restricted speech opens nothing", R, R, {}, {}, {kMicrophone}, false, false},
        {"both asked, microphone refused", N, N, D, A, {}, false, true},
        {"nothing to do", A, A, {}, {}, {}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Platform::FakeMicrophoneAccess mic;
        Platform::FakeSpeechRecognitionAccess speech;
        Platform::FakeSettingsPaneOpener opener;
        mic.current = c.microphone;
        speech.current = c.speech;
        PermissionsManager manager({trust, screen, mic, speech, opener});

        manager.requestMicrophone();
        EXPECT_EQ(mic.requests, c.microphoneAnswer ? 1 : 0);
        if (c.microphoneAnswer) {
            // Nothing goes on until the user answered.
            EXPECT_EQ(speech.requests, 0);
            mic.answer(*c.microphoneAnswer);
        }
        EXPECT_EQ(speech.requests, c.speechAnswer ? 1 : 0);
        if (c.speechAnswer) {
            EXPECT_FALSE(manager.speech());  // the refresh waits for the answer
            speech.answer(*c.speechAnswer);
        }

        EXPECT_EQ(opener.opened, c.panes);
        EXPECT_EQ(manager.microphone(), c.microphoneFlag);
        EXPECT_EQ(manager.speech(), c.speechFlag);
    }
}

TEST_F(PermissionsManagerTest, AnswerAfterTheManagerIsGoneIsIgnored) {
    auto doomed = std::make_unique<PermissionsManager>(
        PermissionsManager::Backends{trust, screen, mic, speech, settings});
    doomed->requestMicrophone();
    doomed.reset();
    mic.answer(AuthorizationStatus::authorized);
    EXPECT_EQ(speech.requests, 0);
}

TEST_F(PermissionsManagerTest, SettingsOpenTheOverviewWithoutPaneAndReportWhenThereAreNone) {
    EXPECT_TRUE(manager.canOpenSettings());
    EXPECT_TRUE(manager.openSettings());
    EXPECT_EQ(settings.opened, Panes({std::nullopt}));

    settings.available = false;
    EXPECT_FALSE(manager.canOpenSettings(kMicrophone));
    EXPECT_FALSE(manager.openSettings(kMicrophone));
    EXPECT_EQ(settings.opened.size(), 1u);
}
