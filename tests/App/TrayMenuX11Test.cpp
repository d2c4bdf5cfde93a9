#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

#include "App/FakeMenuBarOperations.h"
#include "App/MenuBarMenu.h"
#include "App/TrayIcon.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

// The menu opened from a real tray (trayer): it asks for fresh states as it opens, shows
// them, and answers Strg+, while open.
TEST(TrayMenuX11Test, OpensFromTheTrayWithFreshStates) {
    QProcess trayer;
    trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                            "200", "--height", "32"});
    ASSERT_TRUE(trayer.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));

    FakeMenuBarOperations operations;
    operations.state.mainShortcut = "Alt+Leertaste";
    operations.state.providerStatus = {{ProviderID::claudeCLI, "prüfe …"},
                                       {ProviderID::codexCLI, "prüfe …"}};
    operations.onCall = [&](const QString& call) {
        if (call == "refreshStatus")
            operations.state.providerStatus[ProviderID::claudeCLI] = "angemeldet";
    };
    QMenu menu;
    MenuBarMenu bar(operations, menu);
    QSystemTrayIcon icon(TrayIcon::placeholderIcon());
    icon.setContextMenu(&menu);
    icon.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !icon.geometry().isEmpty(); }, 10000));

    // Docked: the tray's panel holds the icon's window.
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            const QByteArray tree = runProgram("xwininfo", {"-root", "-tree"});
            const qsizetype panel = tree.indexOf("(\"panel\" \"trayer\")");
            return panel >= 0 && tree.indexOf("AppX11Tests", panel) > panel;
        },
        10000));
    QTest::qWait(300);
    const QPoint center = icon.geometry().center();
    runProgram("xdotool", {"mousemove", QString::number(center.x()), QString::number(center.y()),
                           "click", "3"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }, 5000));
    EXPECT_EQ(operations.calls, QStringList{"refreshStatus"});
    bool fresh = false;
    for (QAction* action : menu.actions())
        fresh = fresh || action->text() == "Claude    angemeldet";
    EXPECT_TRUE(fresh);
    QTest::qWait(200);
    runProgram("import", {"-window", "root", TAVRIN_BINARY_DIR "/tray-menu-x11.png"});

    runProgram("xdotool", {"key", "ctrl+comma"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return operations.calls.contains("openSettings"); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !menu.isVisible(); }, 3000));

    icon.hide();
    trayer.kill();
    trayer.waitForFinished(5000);
}

}  // namespace
