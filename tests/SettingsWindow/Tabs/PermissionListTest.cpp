#include <gtest/gtest.h>

#include "Design/StyledButton.h"
#include "Design/WrappingLabel.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/PermissionList.h"
#include "SettingsWindow/Tabs/PermissionRow.h"
#include "SettingsWindow/Tabs/PermissionSettings.h"

using namespace std::chrono_literals;
using Platform::AuthorizationStatus;

TEST(PermissionListTest, RefreshesEverySecondOnlyWhileShown) {
    FakeSettingsCoordinator coordinator;
    PermissionSettings tab(coordinator);
    EXPECT_EQ(coordinator.trust.checks, 0) << "nothing is read before the list shows";

    tab.show();
    EXPECT_EQ(coordinator.trust.checks, 1) << "the first read comes at once";
    coordinator.clock_.advance(3s);
    EXPECT_EQ(coordinator.trust.checks, 4);

    tab.hide();
    coordinator.clock_.advance(5s);
    EXPECT_EQ(coordinator.trust.checks, 4);

    tab.show();
    EXPECT_EQ(coordinator.trust.checks, 5);
}

TEST(PermissionListTest, RowsFollowTheSystemWithinASecond) {
    const struct {
        bool trusted;
        AuthorizationStatus microphone;
        AuthorizationStatus speech;
        bool accessibilityGranted;
        bool microphoneGranted;
    } cases[] = {
        {true, AuthorizationStatus::authorized, AuthorizationStatus::authorized, true, true},
        // Dictation needs the speech model as well as the microphone.
        {true, AuthorizationStatus::authorized, AuthorizationStatus::denied, true, false},
        {false, AuthorizationStatus::denied, AuthorizationStatus::authorized, false, false},
    };
    for (const auto& c : cases) {
        FakeSettingsCoordinator coordinator;
        coordinator.screen.granted = true;
        PermissionList list(coordinator.permissions(), coordinator.clock(), false);
        list.show();
        coordinator.trust.trusted = c.trusted;
        coordinator.microphone.current = c.microphone;
        coordinator.speech.current = c.speech;
        coordinator.clock_.advance(1s);
        EXPECT_EQ(list.row(PermissionList::Row::accessibility)->isGranted(),
                  c.accessibilityGranted);
        EXPECT_TRUE(list.row(PermissionList::Row::screenRecording)->isGranted());
        EXPECT_EQ(list.row(PermissionList::Row::microphone)->isGranted(), c.microphoneGranted);
        EXPECT_EQ(list.row(PermissionList::Row::microphone)->requestButton()->isVisibleTo(&list),
                  !c.microphoneGranted);
    }
}

// Off where the desktop has no settings program, and then it says why, beside the button and
// when pointed at; a program that comes along is found when the tab shows again.
TEST(PermissionListTest, SettingsButtonWorksOnlyWhereTheDesktopHasSettings) {
    for (const bool available : {true, false}) {
        FakeSettingsCoordinator coordinator;
        coordinator.paneOpener.available = available;
        PermissionSettings tab(coordinator);
        tab.show();
        const QString reason = available ? QString() : PermissionSettings::noSettingsProgram();
        EXPECT_EQ(tab.openSettingsButton()->isEnabled(), available);
        EXPECT_EQ(tab.openSettingsButton()->toolTip(), reason);
        EXPECT_EQ(tab.openSettingsReason()->isVisible(), !available);
        EXPECT_EQ(tab.openSettingsReason()->text(), reason);
        tab.openSettingsButton()->click();
        EXPECT_EQ(coordinator.paneOpener.opened.size(), available ? 1u : 0u);

        tab.hide();
        coordinator.paneOpener.available = true;
        tab.show();
        EXPECT_TRUE(tab.openSettingsButton()->isEnabled());
        EXPECT_FALSE(tab.openSettingsReason()->isVisible());
    }
}

TEST(PermissionListTest, AnAnswerAfterTheTabIsGoneReachesNoWidget) {
    FakeSettingsCoordinator coordinator;
    coordinator.microphone.current = AuthorizationStatus::notDetermined;
    auto tab = std::make_unique<PermissionSettings>(coordinator);
    tab->show();
    tab->list()->row(PermissionList::Row::microphone)->requestButton()->click();
    tab.reset();
    // The system answers now; the manager refreshes and notifies, but no list listens.
    coordinator.speech.current = AuthorizationStatus::authorized;
    coordinator.microphone.answer(AuthorizationStatus::authorized);
    EXPECT_TRUE(coordinator.permissions().microphone());
    EXPECT_TRUE(coordinator.permissions().speech());
}

// A button that asks for what this desktop cannot give is off, and the row says what is
// missing; where a request can still help with a part, the button stays on and the row names
// the part it cannot help with.
TEST(PermissionListTest, AButtonThatCanChangeNothingIsOffAndSaysWhy) {
    using Status = AuthorizationStatus;
    const QString noBus = PermissionList::reason(PermissionsManager::Obstacle::accessibilityBus);
    const QString noInput = PermissionList::reason(PermissionsManager::Obstacle::soundInput);
    const QString noModel = PermissionList::reason(PermissionsManager::Obstacle::speechModel);
    const struct {
        const char* name;
        bool busPresent;
        bool settingsProgram;
        Status microphone;
        Status speech;
        bool accessibilityButton;
        QString accessibilityLine;
        bool microphoneButton;
        QString microphoneLine;
    } cases[] = {
        {"no sound server, no settings program",
         true,
         false,
         Status::denied,
         Status::authorized,
         true,
         {},
         false,
         noInput},
        {"the sound settings can help",
         true,
         true,
         Status::denied,
         Status::authorized,
         true,
         {},
         true,
         {}},
        {"no speech model",
         true,
         true,
         Status::authorized,
         Status::restricted,
         true,
         {},
         false,
         noModel},
        {"nothing for dictation at all",
         true,
         false,
         Status::denied,
         Status::restricted,
         true,
         {},
         false,
         noInput + " " + noModel},
        {"the sound settings help, the model is still missing",
         true,
         true,
         Status::denied,
         Status::restricted,
         true,
         {},
         true,
         noModel},
        {"the sound server has not answered yet",
         true,
         false,
         Status::notDetermined,
         Status::authorized,
         true,
         {},
         true,
         {}},
        {"no accessibility bus, no settings program",
         false,
         false,
         Status::authorized,
         Status::authorized,
         false,
         noBus,
         false,
         {}},
        {"no accessibility bus, a settings program",
         false,
         true,
         Status::authorized,
         Status::authorized,
         true,
         {},
         false,
         {}},
    };
    for (const bool compact : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (compact ? " (compact)" : " (full)"));
            FakeSettingsCoordinator coordinator;
            coordinator.trust.busPresent = c.busPresent;
            coordinator.paneOpener.available = c.settingsProgram;
            coordinator.microphone.current = c.microphone;
            coordinator.speech.current = c.speech;
            PermissionList list(coordinator.permissions(), coordinator.clock(), compact);
            list.show();
            const auto check = [&](PermissionList::Row which, bool enabled, const QString& line) {
                PermissionRow* row = list.row(which);
                EXPECT_EQ(row->requestButton()->isEnabled(), enabled);
                EXPECT_EQ(row->requestButton()->toolTip(), enabled ? QString() : line);
                EXPECT_EQ(row->obstacleLine()->isVisibleTo(&list), !line.isEmpty());
                if (!line.isEmpty()) {
                    EXPECT_EQ(row->obstacleLine()->text(), line);
                }
            };
            check(PermissionList::Row::accessibility, c.accessibilityButton, c.accessibilityLine);
            if (!list.row(PermissionList::Row::microphone)->isGranted())
                check(PermissionList::Row::microphone, c.microphoneButton, c.microphoneLine);
        }
    }
}
