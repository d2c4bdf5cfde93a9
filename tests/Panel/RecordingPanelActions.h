#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "AI/ProviderStatusStore.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeApplicationIcons.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeFileRevealer.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSettingsPaneOpener.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUrlOpener.h"
#include "Settings/SettingsStore.h"

// The application as the panel sees it: real stores on fake backends, and every operation the
// panel starts written down, in order, as its name and arguments. The panel's timers run on
// `clock`: a fake one in tests, the real one in a benchmark.
class RecordingPanelActions final : public PanelActions {
public:
    explicit RecordingPanelActions(Platform::Clock& clock) : clock_(clock), providers_(clock) {
        screenCapture_.granted = true;
        permissions_.refresh();
    }

    const SettingsStore& settings() const override { return settings_; }
    SettingsStore& settingsStore() { return settings_; }
    PermissionsManager& permissions() override { return permissions_; }
    Platform::FakeScreenCaptureAccess& screenCapture() { return screenCapture_; }
    const ProviderStatusStore& providers() const override { return providers_; }
    ProviderStatusStore& providerStore() { return providers_; }
    AssistantSession* session() const override { return session_; }
    void setSession(AssistantSession* session) { session_ = session; }
    bool demoForceScreenHint() const override { return demo_; }
    Platform::Clock& clock() override { return clock_; }
    Platform::FakeApplicationIcons* applicationIcons() override { return &icons_; }
    Platform::FakeUrlOpener* urlOpener() override { return &urls_; }
    void setDemoForceScreenHint(bool demo) {
        demo_ = demo;
        emit demoForceScreenHintChanged();
    }

    Platform::FakeFileRevealer* fileRevealer() override { return &fileRevealer_; }
    Platform::FakeClipboard* clipboard() override { return &clipboard_; }

    void escape() override { calls << QStringLiteral("escape"); }
    void dismiss() override { calls << QStringLiteral("dismiss"); }
    void primaryAction() override { calls << QStringLiteral("primaryAction"); }
    void send(const QString& text, std::optional<ReplyKind> forced, bool hidden) override {
        calls << QStringLiteral("send %1 %2 %3")
                     .arg(text, forced ? rawValue(*forced) : QStringLiteral("-"),
                          hidden ? QStringLiteral("hidden") : QStringLiteral("shown"));
    }
    void writeNow() override { calls << QStringLiteral("writeNow"); }
    void regenerate() override { calls << QStringLiteral("regenerate"); }
    void retryLastRequest() override { calls << QStringLiteral("retryLastRequest"); }
    void stopGenerating() override { calls << QStringLiteral("stopGenerating"); }
    void startListening() override { calls << QStringLiteral("startListening"); }
    void finishListening(bool generate) override {
        calls << QStringLiteral("finishListening %1").arg(generate);
    }
    void copyDraft() override { calls << QStringLiteral("copyDraft"); }
    void insert() override { calls << QStringLiteral("insert"); }
    void dismissScreenHint() override { calls << QStringLiteral("dismissScreenHint"); }
    void chooseProject(std::optional<Project> project) override {
        calls << QStringLiteral("chooseProject %1").arg(project ? project->name : QString("-"));
    }
    void manageProjects() override { calls << QStringLiteral("manageProjects"); }
    void switchProvider(ProviderID provider, bool rewrite) override {
        calls << QStringLiteral("switchProvider %1 %2").arg(rawValue(provider)).arg(rewrite);
    }
    void openLogin(ProviderID provider) override {
        calls << QStringLiteral("openLogin %1").arg(rawValue(provider));
    }
    void openAISettings() override { calls << QStringLiteral("openAISettings"); }
    void runAction() override {
        calls << QStringLiteral("runAction");
        if (onRunAction)
            onRunAction();
    }
    void saveDefinition() override {
        calls << QStringLiteral("saveDefinition");
        if (onSaveDefinition)
            onSaveDefinition();
    }

    // What the application would do besides being asked; nothing when unset.
    std::function<void()> onRunAction;
    std::function<void()> onSaveDefinition;

    QStringList calls;

private:
    Platform::Clock& clock_;
    Platform::FakeApplicationIcons icons_;
    Platform::FakeUrlOpener urls_;
    QTemporaryDir folder_;
    Platform::FakeLoginItem loginItem_;
    Platform::FakeSystemLog log_;
    Platform::FakeClock settingsClock_;
    SettingsStore settings_{folder_.path(), {loginItem_, log_, settingsClock_}};
    Platform::FakeAccessibilityTrust trust_;
    Platform::FakeScreenCaptureAccess screenCapture_;
    Platform::FakeMicrophoneAccess microphone_;
    Platform::FakeSpeechRecognitionAccess speech_;
    Platform::FakeSettingsPaneOpener panes_;
    PermissionsManager permissions_{{trust_, screenCapture_, microphone_, speech_, panes_}};
    ProviderStatusStore providers_;
    AssistantSession* session_ = nullptr;
    bool demo_ = false;
    Platform::FakeFileRevealer fileRevealer_;
    Platform::FakeClipboard clipboard_;
};
