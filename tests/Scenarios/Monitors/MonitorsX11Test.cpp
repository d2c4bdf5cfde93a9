#include <QTemporaryDir>

#include "Platform/linux/XcbConnection.h"
#include "support/Files.h"
#include "support/Programs.h"
#include "support/ScenarioDesktop.h"

namespace {

// Two 1920 × 1200 monitors side by side on one 3840 × 1200 screen, as RandR reports them.
constexpr int kMonitorWidth = 1920;

bool onRightMonitor(const ScreenRect& r) {
    return r.x >= kMonitorWidth && r.x + r.width <= 2 * kMonitorWidth;
}

QString described(const ScreenRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x).arg(r.y).arg(r.width).arg(r.height);
}

// A GTK entry on the right monitor, its text selected, the pointer on the left one; Tavrin at
// the scale the test gives.
class MonitorsScenario : public ScenarioTest {
protected:
    void SetUp() override {
        // The server forgets its monitors when its last client leaves: this one stays.
        ASSERT_TRUE(holdServer);
        runProgram("xrandr", {"--setmonitor", "left", "1920/508x1200/318+0+0", "screen"});
        runProgram("xrandr", {"--setmonitor", "right", "1920/508x1200/318+1920+0", "none"});
        ScenarioTest::SetUp();
    }

    void insertOnTheRightMonitorAt(const char* scale) {
        desktop.environment.insert("QT_SCALE_FACTOR", scale);
        desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
        desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                                   QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
        desktop.writeSettings();
        QProcess& entry = desktop.startClient(QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {});
        ASSERT_TRUE(QTest::qWaitFor([&] { return entry.canReadLine(); }, 10000));
        const QString window = QString::fromLatin1(entry.readLine().trimmed().mid(7));
        runProgram("xdotool", {"windowmove", "--sync", window, "2900", "400"});
        runProgram("xdotool", {"windowactivate", "--sync", window});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return desktop.focusedWindow() == window.toULongLong(); }, 5000));
        const ScreenRect field = windowRect(window.toULongLong());
        ASSERT_TRUE(onRightMonitor(field))
            << "the entry's window is at " << qPrintable(described(field));
        desktop.movePointer(300, 900);

        desktop.startTavrin();
        ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
        QTest::qWait(500);
        const ScreenRect panel = windowRect(desktop.focusedWindow());
        EXPECT_TRUE(onRightMonitor(panel))
            << "panel at " << qPrintable(described(panel)) << ", field's window at "
            << qPrintable(described(field));
        // Beside the field, not by the pointer.
        EXPECT_LT(panel.distanceTo(field.x + 20, field.y + 20), 200)
            << "panel at " << qPrintable(described(panel));

        desktop.type(QStringLiteral("Mach daraus eine Frage"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.replyText() == QStringLiteral("Hallo Anna, gern – bis Freitag.");
            },
            10000))
            << "the reply never came whole";
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
        desktop.key(QStringLiteral("ctrl+Return"));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return desktop.element(QStringLiteral("push button"),
                                       QStringLiteral("Rückgängig")) != nullptr;
            },
            5000))
            << "no undo toast";
        // Tavrin's windows on the screen now: the toast, and the panel when it stays open (the
        // tray icon is too small to count).
        const QList<QByteArray> windows =
            runProgram("xdotool", {"search", "--onlyvisible", "--pid",
                                   QString::number(desktop.tavrin.processId())})
                .trimmed()
                .split('\n');
        int shown = 0;
        for (const QByteArray& id : windows) {
            const ScreenRect r = windowRect(id.toULongLong());
            if (r.width < 100)
                continue;
            ++shown;
            EXPECT_TRUE(onRightMonitor(r)) << "a window of Tavrin at " << qPrintable(described(r));
        }
        EXPECT_GT(shown, 0);
    }

    std::shared_ptr<Platform::XcbConnection> holdServer = Platform::XcbConnection::open();
    QTemporaryDir record;
};

TEST_F(MonitorsScenario, AtScaleOneThePanelAndTheToastShowOnTheFieldsMonitor) {
    insertOnTheRightMonitorAt("1");
}

TEST_F(MonitorsScenario, AtScaleTwoThePanelAndTheToastShowOnTheFieldsMonitor) {
    insertOnTheRightMonitorAt("2");
}

}  // namespace
