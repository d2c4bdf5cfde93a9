#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "App/TrayIcon.h"
#include "App/TrayNotices.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Settings/SettingsStore.h"

// Without a system tray the icon shows nowhere, so the user learns from the log, once, that
// Tavrin runs; with a tray nothing is said.
TEST(TrayIconTest, SaysOnceThatNoTrayCanShowTheIcon) {
    struct Case {
        const char* what;
        bool trayAvailable;
        int shows;
        qsizetype lines;
    };
    const Case cases[] = {
        {"no tray", false, 1, 1},
        {"no tray, shown again", false, 3, 1},
        {"tray", true, 2, 0},
    };
    for (const Case& c : cases) {
        Platform::FakeSystemLog log;
        TrayIcon tray(log, [&] { return c.trayAvailable; });
        for (int i = 0; i < c.shows; ++i)
            tray.show();
        ASSERT_EQ(log.lines.size(), c.lines) << c.what;
        if (c.lines > 0) {
            EXPECT_TRUE(log.lines.first().contains("keine Systemleiste")) << c.what;
        }
    }
}

// The icon is there exactly while "Symbol in der Systemleiste" is on: at start, and when the
// switch changes while Tavrin runs.
TEST(TrayIconTest, ShowsTheIconExactlyWhileTheSettingIsOn) {
    struct Case {
        const char* what;
        bool atStart;
        std::vector<bool> switched;
        std::vector<bool> shown;  // at start, then after each switch
    };
    const Case cases[] = {
        {"on", true, {}, {true}},
        {"off at start", false, {}, {false}},
        {"turned off and on again", true, {false, true}, {true, false, true}},
    };
    for (const Case& c : cases) {
        QTemporaryDir home;
        Platform::FakeSystemLog log;
        Platform::FakeLoginItem loginItem;
        Platform::FakeClock clock;
        SettingsStore store(home.path(), {loginItem, log, clock});
        store.update([&](AssistantSettings& s) { s.showMenuBarIcon = c.atStart; });
        TrayIcon tray(log, [] { return true; });
        tray.followSetting(store);
        std::vector<bool> shown{tray.isShown()};
        for (const bool on : c.switched) {
            store.update([&](AssistantSettings& s) { s.showMenuBarIcon = on; });
            shown.push_back(tray.isShown());
        }
        EXPECT_EQ(shown, c.shown) << c.what;
    }
}

// A left click (the tray's trigger) opens the menu, as the right click does.
TEST(TrayIconTest, ALeftClickOpensTheMenu) {
    Platform::FakeSystemLog log;
    TrayIcon tray(log, [] { return true; });
    emit tray.icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.menu().isVisible(); }, 2000));
    tray.menu().hide();
}

// What the stores tell while they load waits for the icon; what comes within one turn is one
// message, since a second message would replace the first. Without a tray it goes to standard
// error.
TEST(TrayIconTest, NoticesWaitForTheIconAndComeTogether) {
    Platform::FakeSystemLog log;
    TrayIcon tray(log, [] { return false; });
    TrayNotices notices;

    testing::internal::CaptureStderr();
    notices.tell("Einstellungen");
    notices.tell("Erinnerungen");
    QCoreApplication::processEvents();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing before the icon";

    testing::internal::CaptureStderr();
    notices.showThrough(tray);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tavrin: Einstellungen\n\nErinnerungen\n");

    testing::internal::CaptureStderr();
    notices.tell("Kurzbefehle");
    notices.tell("Erinnerungen");
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tavrin: Kurzbefehle\n\nErinnerungen\n");
}
