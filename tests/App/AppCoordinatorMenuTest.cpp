#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "AI/ProviderLoginOpener.h"
#include "App/CoordinatorHarness.h"

namespace {

using Authorization = Platform::AuthorizationStatus;

TEST(AppCoordinatorMenuTest, TheMenuShowsTheStoresAsTheyAre) {
    // Kept, removed by the user, or refused by the desktop (a window manager holds it).
    enum class MainShortcut { kept, removed, heldElsewhere };
    struct Case {
        const char* name;
        bool onboarded;
        ProviderID provider;
        bool trusted;
        bool screen;
        Authorization microphone;
        Authorization speech;
        MainShortcut shortcut;
        MenuBarState expected;
    };
    const auto state = [](bool onboarded, std::optional<QString> shortcut, ProviderID provider,
                          bool accessibility, bool screen, bool microphone) {
        MenuBarState s;
        s.onboardingCompleted = onboarded;
        s.mainShortcut = std::move(shortcut);
        s.provider = provider;
        s.accessibility = accessibility;
        s.screenRecording = screen;
        s.microphone = microphone;
        return s;
    };
    const QString alt = QStringLiteral("Alt+Leertaste");
    const Case cases[] = {
        {"everything granted", true, ProviderID::claudeCLI, true, true, Authorization::authorized,
         Authorization::authorized, MainShortcut::kept,
         state(true, alt, ProviderID::claudeCLI, true, true, true)},
        {"first run with ChatGPT", false, ProviderID::codexCLI, false, false, Authorization::denied,
         Authorization::denied, MainShortcut::kept,
         state(false, alt, ProviderID::codexCLI, false, false, false)},
        {"microphone without speech is missing", true, ProviderID::claudeCLI, true, true,
         Authorization::authorized, Authorization::denied, MainShortcut::kept,
         state(true, alt, ProviderID::claudeCLI, true, true, false)},
        {"shortcut removed", true, ProviderID::claudeCLI, true, true, Authorization::authorized,
         Authorization::authorized, MainShortcut::removed,
         state(true, std::nullopt, ProviderID::claudeCLI, true, true, true)},
        {"shortcut held by the window manager", true, ProviderID::claudeCLI, true, true,
         Authorization::authorized, Authorization::authorized, MainShortcut::heldElsewhere,
         state(true, std::nullopt, ProviderID::claudeCLI, true, true, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h([&](AssistantSettings& s) {
            s.onboardingCompleted = c.onboarded;
            s.provider = c.provider;
        });
        h.trust.trusted = c.trusted;
        h.screen.granted = c.screen;
        h.microphone.current = c.microphone;
        h.speech.current = c.speech;
        if (c.shortcut == MainShortcut::heldElsewhere)
            h.shortcuts.grabber.taken.insert(
                {GlobalShortcuts::Key::space.rawValue, int(GlobalShortcuts::Modifier::Option)});
        AppCoordinator& app = h.make();
        app.start();
        if (c.shortcut == MainShortcut::removed)
            h.shortcuts.shortcuts.setShortcut(std::nullopt, AppCoordinator::invokeAssistant());
        app.refreshStatus();

        MenuBarState shown = app.menuState();
        MenuBarState expected = c.expected;
        for (const ProviderID id : {ProviderID::claudeCLI, ProviderID::codexCLI})
            expected.providerStatus[id] = h.providers.state(id).shortText();
        EXPECT_EQ(shown, expected);
    }
}

TEST(AppCoordinatorMenuTest, ChoicesWriteOnlyWhatChanges) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    QSignalSpy changes(&h.settings, &SettingsStore::settingsChanged);

    app.selectProvider(ProviderID::claudeCLI);
    EXPECT_EQ(changes.count(), 0) << "the checked tool stays checked, nothing written";
    app.selectProvider(ProviderID::codexCLI);
    EXPECT_EQ(h.settings.settings().provider, ProviderID::codexCLI);
    EXPECT_EQ(changes.count(), 1);

    // Granted permissions ask for nothing.
    app.requestMicrophone();
    EXPECT_EQ(h.microphone.requests, 0);
    h.speech.current = Authorization::notDetermined;
    h.permissions.refresh();
    app.requestMicrophone();
    EXPECT_EQ(h.microphone.requests + h.speech.requests, 1);
}

TEST(AppCoordinatorMenuTest, SettingsAndOnboardingCloseThePanelFirst) {
    struct Case {
        const char* name;
        std::function<void(AppCoordinator&)> call;
        int settings;
        int onboarding;
        std::vector<SettingsTab> tabs;
        // The settings window shows the tools' sign-in states as they are now.
        bool checksTools;
    };
    const Case cases[] = {
        {"settings on the tab last seen", [](AppCoordinator& a) { a.openSettings(); }, 1, 0, {},
         true},
        {"settings on the permissions",
         [](AppCoordinator& a) { a.openSettings(SettingsTab::permissions); },
         1,
         0,
         {SettingsTab::permissions},
         true},
        {"the AI settings from the panel",
         [](AppCoordinator& a) { a.openAISettings(); },
         1,
         0,
         {SettingsTab::ai},
         true},
        {"the projects from the panel's chip",
         [](AppCoordinator& a) { a.manageProjects(); },
         1,
         0,
         {SettingsTab::projects},
         true},
        {"onboarding", [](AppCoordinator& a) { a.showOnboarding(); }, 0, 1, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoordinatorHarness h;
        h.open();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !h.providers.isChecking(ProviderID::claudeCLI) &&
                       !h.providers.isChecking(ProviderID::codexCLI);
            },
            10000));
        c.call(*h.coordinator);
        EXPECT_FALSE(h.coordinator->session());
        EXPECT_FALSE(h.panel.isShown());
        EXPECT_EQ(h.settingsShown, c.settings);
        EXPECT_EQ(h.onboardingShown, c.onboarding);
        EXPECT_EQ(h.settingsTabs, c.tabs);
        EXPECT_EQ(h.providers.isChecking(ProviderID::claudeCLI), c.checksTools);
    }
}

class RecordingLoginOpener final : public ProviderLoginOpener {
public:
    void openLogin(ProviderID provider) override { opened.push_back(provider); }
    std::vector<ProviderID> opened;
};

TEST(AppCoordinatorMenuTest, SignInGoesToTheTerminalOpener) {
    CoordinatorHarness h;
    AppCoordinator& app = h.make();
    app.openLogin(ProviderID::codexCLI);  // none wired: nothing happens

    RecordingLoginOpener opener;
    CoordinatorHarness wired;
    wired.loginOpener = &opener;
    wired.make().openLogin(ProviderID::codexCLI);
    EXPECT_EQ(opener.opened, std::vector<ProviderID>{ProviderID::codexCLI});
}

}  // namespace
