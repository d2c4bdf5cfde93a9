#include <gtest/gtest.h>

#include "App/TrayIcon.h"
#include "Platform/fake/FakeSystemLog.h"

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
