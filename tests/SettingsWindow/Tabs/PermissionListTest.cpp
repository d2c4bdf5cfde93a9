#include <gtest/gtest.h>

#include "Design/StyledButton.h"
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

TEST(PermissionListTest, SettingsButtonWorksOnlyWhereTheDesktopHasSettings) {
    for (const bool available : {true, false}) {
        FakeSettingsCoordinator coordinator;
        coordinator.paneOpener.available = available;
        PermissionSettings tab(coordinator);
        EXPECT_EQ(tab.openSettingsButton()->isEnabled(), available);
        tab.openSettingsButton()->click();
        EXPECT_EQ(coordinator.paneOpener.opened.size(), available ? 1u : 0u);
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
