#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "AI/ProviderSetupServices.h"
#include "AI/ProviderStatusStore.h"
#include "Design/StyledButton.h"
#include "Design/Theme.h"
#include "Design/WrappingLabel.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Modifiers.h"
#include "Onboarding/FakeOnboardingCoordinator.h"
#include "Onboarding/FeatureRow.h"
#include "Onboarding/OnboardingCoordinator.h"
#include "Onboarding/OnboardingView.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Onboarding/ProviderCard.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSettingsPaneOpener.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeUrlOpener.h"
#include "Settings/SettingsStore.h"
#include "SettingsWindow/Tabs/PermissionList.h"
#include "SettingsWindow/Tabs/PermissionRow.h"
#include "SettingsWindow/Tabs/ShortcutNames.h"
#include "support/CutTexts.h"
#include "support/FakeShortcuts.h"

namespace {

using State = ProviderStatusStore::State;

void tap(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, 4));
}

}  // namespace

TEST(OnboardingTest, ReturnThreeTimesFinishesAndHidesTheWindow) {
    FakeOnboardingCoordinator coordinator;
    OnboardingWindowController controller(coordinator);
    coordinator.controller = &controller;
    controller.show();
    QWidget* window = controller.window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    OnboardingView* view = controller.view();
    const QStringList titles{"Immer da, wo du gerade bist", "Drei Berechtigungen",
                             "Verbinde deine KI"};
    for (int step = 0; step < 3; ++step) {
        EXPECT_EQ(view->step(), step);
        EXPECT_EQ(view->title(), titles[step]);
        EXPECT_EQ(view->backButton()->isVisibleTo(view), step >= 1);
        QTest::keyClick(window, Qt::Key_Return);
    }
    EXPECT_EQ(coordinator.finished, 1);
    EXPECT_TRUE(coordinator.settings().settings().onboardingCompleted);
    EXPECT_FALSE(window->isVisible());

    // Shown again, it is the same window on the same step.
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(view->step(), 2);
    view->back();
    view->back();
    view->back();
    EXPECT_EQ(view->step(), 0);
}

TEST(OnboardingTest, OpensBesideTheRightEdgeAndStaysWhereItWasMoved) {
    FakeOnboardingCoordinator coordinator;
    OnboardingWindowController controller(coordinator);
    controller.show();
    QWidget* window = controller.window();
    EXPECT_EQ(window->pos(), QPoint(880, 190));
    EXPECT_EQ(window->size(), QSize(520, 520));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    window->move(100, 100);
    controller.close();
    controller.show();
    EXPECT_EQ(window->pos(), QPoint(100, 100));
    EXPECT_EQ(OnboardingWindowController::placement(QRect(1440, 25, 1920, 1055), QSize(520, 520)),
              QPoint(2800, 292));
}

TEST(OnboardingTest, OnlyAReadyToolIsChosenByATap) {
    const struct {
        const char* name;
        State state;
        bool chosen;
    } cases[] = {
        {"missing", State{State::Kind::notFound, {}}, false},
        {"signed out", State{State::Kind::notLoggedIn, {}}, false},
        {"checking", State{State::Kind::checking, {}}, false},
        {"unknown", State{}, false},
        {"ready", State::ready(QStringLiteral("ada@example.org")), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOnboardingCoordinator coordinator;
        coordinator.settings().update([](auto& s) { s.provider = ProviderID::claudeCLI; });
        coordinator.setup.set(ProviderID::codexCLI, c.state);
        OnboardingView view(coordinator);
        view.show();
        view.primaryAction();
        view.primaryAction();
        ProviderCard* codex = view.providerCards()[1];
        ASSERT_EQ(codex->id(), ProviderID::codexCLI);
        tap(codex);
        EXPECT_EQ(coordinator.settings().settings().provider == ProviderID::codexCLI, c.chosen);
        EXPECT_EQ(codex->isHighlighted(), c.chosen);
        // The chosen tool's card stays plain while it does not work.
        EXPECT_FALSE(view.providerCards()[0]->isHighlighted() && !c.chosen);
    }
}

TEST(OnboardingTest, TheLastButtonSaysWhetherTheChosenToolIsReady) {
    FakeOnboardingCoordinator coordinator;
    coordinator.settings().update([](auto& s) { s.provider = ProviderID::codexCLI; });
    OnboardingView view(coordinator);
    EXPECT_EQ(view.primaryButton()->text(), "Weiter");
    view.primaryAction();
    view.primaryAction();
    EXPECT_EQ(view.primaryButton()->text(), "Später einrichten");
    coordinator.setup.set(ProviderID::claudeCLI, State::ready());
    EXPECT_EQ(view.primaryButton()->text(), "Später einrichten");
    coordinator.setup.set(ProviderID::codexCLI, State::ready());
    EXPECT_EQ(view.primaryButton()->text(), "Los geht’s");
    EXPECT_TRUE(view.providerCards()[1]->isHighlighted());
    EXPECT_FALSE(view.providerCards()[0]->isHighlighted());
    // Finishing needs no tool: "Später einrichten" ends it the same way.
    coordinator.setup.set(ProviderID::codexCLI, State{State::Kind::notLoggedIn, {}});
    view.primaryAction();
    EXPECT_EQ(coordinator.finished, 1);
}

TEST(OnboardingTest, StatusTexts) {
    const struct {
        ProviderID id;
        State state;
        const char* text;
    } cases[] = {
        {ProviderID::claudeCLI, State::ready(), "Verbunden"},
        {ProviderID::claudeCLI, State::ready(QStringLiteral("ada@example.org")), "ada@example.org"},
        {ProviderID::codexCLI, State{}, "Prüfe …"},
        {ProviderID::codexCLI, State{State::Kind::checking, {}}, "Prüfe …"},
        {ProviderID::claudeCLI, State{State::Kind::notFound, {}},
         "Für dein Claude-Abo (Pro oder Max)"},
        {ProviderID::codexCLI, State{State::Kind::notFound, {}},
         "Für dein ChatGPT-Abo (Plus oder Pro)"},
        {ProviderID::codexCLI, State{State::Kind::notLoggedIn, {}},
         "Installiert – noch nicht angemeldet"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProviderCard::statusText(c.id, c.state), QString::fromUtf8(c.text)) << c.text;
}

TEST(OnboardingTest, LinksAndShortcutReachTheirPlaces) {
    FakeOnboardingCoordinator coordinator;
    OnboardingView view(coordinator);
    EXPECT_EQ(view.shortcutRow()->key(),
              coordinator.keys.shortcuts.describe(GlobalShortcuts::Shortcut(
                  GlobalShortcuts::Key::space, GlobalShortcuts::Modifier::Option)));
    coordinator.keys.shortcuts.setShortcut(std::nullopt, ShortcutNames::invokeAssistant());
    EXPECT_EQ(view.shortcutRow()->key(), "Alt+Leertaste");

    for (const QUrl& url : {OnboardingView::claudePlansUrl, OnboardingView::chatGPTPricingUrl}) {
        EXPECT_TRUE(url.isValid() && !url.isRelative());
        EXPECT_TRUE(view.linkLine()->text().contains(url.toString()));
        emit view.linkLine()->linkActivated(url.toString());
    }
    EXPECT_EQ(coordinator.opener.opened,
              (QList<QUrl>{OnboardingView::claudePlansUrl, OnboardingView::chatGPTPricingUrl}));
}

// On a desktop without a settings program for the sound input and without a sound server,
// the microphone's "Erlauben" could change nothing: it is off and the row says why.
TEST(OnboardingTest, APermissionButtonThatCanChangeNothingIsOff) {
    for (const bool settingsProgram : {false, true}) {
        SCOPED_TRACE(settingsProgram ? "with a settings program" : "without one");
        FakeOnboardingCoordinator coordinator;
        coordinator.paneOpener.available = settingsProgram;
        coordinator.microphone.current = Platform::AuthorizationStatus::denied;
        coordinator.speech.current = Platform::AuthorizationStatus::authorized;
        OnboardingView view(coordinator);
        view.show();
        view.primaryAction();
        ASSERT_EQ(view.step(), 1);
        auto* list = view.findChild<PermissionList*>();
        ASSERT_TRUE(list);
        PermissionRow* microphone = list->row(PermissionList::Row::microphone);
        ASSERT_TRUE(microphone->requestButton()->isVisibleTo(&view));
        EXPECT_EQ(microphone->requestButton()->isEnabled(), settingsProgram);
        EXPECT_EQ(microphone->obstacleLine()->isVisibleTo(&view), !settingsProgram);
        microphone->requestButton()->click();
        EXPECT_EQ(coordinator.paneOpener.opened.size(), settingsProgram ? 1u : 0u);
    }
}

// In the window's fixed width, a failure message or a row of buttons beside a tool never cuts
// its name or its state: the message wraps, and the controls go under the name where both do
// not fit side by side.
TEST(OnboardingTest, ProviderNamesAndStatesStayWholeBesideAMessage) {
    using Phase = ProviderSetup::Phase;
    const Phase installFailed = Phase::failed(
        "Claude Code konnte nicht installiert werden. curl: (6) Could not resolve host: claude.ai");
    const struct {
        const char* name;
        Phase phase;
        State state;
    } cases[] = {
        {"install failed", installFailed, State::notFound()},
        {"install failed, signed in meanwhile", installFailed,
         State::ready(QStringLiteral("tester@example.org · Max"))},
        {"sign-in not finished", Phase::failed("Die Anmeldung wurde nicht abgeschlossen."),
         State::notLoggedIn()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOnboardingCoordinator coordinator;
        coordinator.setup.set(ProviderID::claudeCLI, c.phase, c.state);
        OnboardingWindowController controller(coordinator);
        controller.show();
        controller.view()->primaryAction();
        controller.view()->primaryAction();
        for (int pass = 0; pass < 8; ++pass)
            QCoreApplication::processEvents();
        ProviderCard* card = nullptr;
        for (ProviderCard* each : controller.view()->findChildren<ProviderCard*>())
            if (each->id() == ProviderID::claudeCLI)
                card = each;
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(cutTexts(*card).join(" | ").toStdString(), "");
    }
}
