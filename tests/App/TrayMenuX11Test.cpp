#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

#include "App/FakeMenuBarOperations.h"
#include "App/MenuBarMenu.h"
#include "App/TrayIcon.h"
#include "Platform/fake/FakeSystemLog.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

namespace {

// The menu opened from a real tray (trayer), by either button: it asks for fresh states as it
// opens, shows them, and answers Strg+, while open.
TEST(TrayMenuX11Test, OpensFromTheTrayWithFreshStates) {
    QProcess trayer;
    trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                            "200", "--height", "32"});
    ASSERT_TRUE(trayer.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000));

    const struct {
        const char* name;
        const char* button;
    } cases[] = {{"right click", "3"}, {"left click", "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMenuBarOperations operations;
        operations.state.mainShortcut = "Alt+Leertaste";
        operations.state.providerStatus = {{ProviderID::claudeCLI, "prüfe …"},
                                           {ProviderID::codexCLI, "prüfe …"}};
        operations.onCall = [&](const QString& call) {
            if (call == "refreshStatus")
                operations.state.providerStatus[ProviderID::claudeCLI] = "angemeldet";
        };
        Platform::FakeSystemLog log;
        TrayIcon tray(log);
        MenuBarMenu bar(operations, tray.menu());
        QSystemTrayIcon& icon = tray.icon();
        tray.show();
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
        runProgram("xdotool", {"mousemove", QString::number(center.x()),
                               QString::number(center.y()), "click", c.button});
        ASSERT_TRUE(QTest::qWaitFor([&] { return tray.menu().isVisible(); }, 5000));
        EXPECT_EQ(operations.calls, QStringList{"refreshStatus"});
        bool fresh = false;
        for (QAction* action : tray.menu().actions())
            fresh = fresh || action->text() == "Claude    angemeldet";
        EXPECT_TRUE(fresh);
        QTest::qWait(200);
        runProgram("import", {"-window", "root",
                              QStringLiteral(TAVRIN_BINARY_DIR "/tray-menu-x11-%1.png")
                                  .arg(QString::fromLatin1(c.button))});

        runProgram("xdotool", {"key", "ctrl+comma"});
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return operations.calls.contains("openSettings"); }, 3000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !tray.menu().isVisible(); }, 3000));
        icon.hide();
        // The tray lets go of the icon's window before the next one docks.
        QTest::qWait(300);
    }

    trayer.kill();
    trayer.waitForFinished(5000);
}

}  // namespace
