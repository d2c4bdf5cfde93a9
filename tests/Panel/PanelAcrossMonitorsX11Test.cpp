#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include "Panel/PanelController.h"
#include "Panel/PanelView.h"
#include "Platform/ScreenPixels.h"
#include "Platform/linux/X11FloatingWindows.h"
#include "Platform/linux/XcbConnection.h"
#include "RecordingPanelActions.h"
#include "support/Programs.h"
#include "support/XcbPlatform.h"

// Built twice: as it is, and with Qt scaling every screen by two.
#ifdef TAVRIN_QT_SCALE
inline const bool scaledScreens = [] { return qputenv("QT_SCALE_FACTOR", TAVRIN_QT_SCALE); }();
#define PANEL_ACROSS_MONITORS_SUITE PanelAcrossScaledMonitorsX11Test
#else
#define PANEL_ACROSS_MONITORS_SUITE PanelAcrossMonitorsX11Test
#endif

namespace {

// Two 1920 × 1200 monitors side by side on one 3840 × 1200 screen, as RandR reports them.
const QRect kLeft(0, 0, 1920, 1200);
const QRect kRight(1920, 0, 1920, 1200);

bool setMonitors() {
    runProgram("xrandr", {"--setmonitor", "left", "1920/508x1200/318+0+0", "screen"});
    runProgram("xrandr", {"--setmonitor", "right", "1920/508x1200/318+1920+0", "none"});
    return QTest::qWaitFor([] { return QGuiApplication::screens().size() == 2; }, 5000);
}

// Where the window is on the X server, in its device pixels.
QRect deviceGeometry(quint64 window) {
    const QString info =
        QString::fromUtf8(runProgram("xwininfo", {"-id", QString::number(window)}));
    auto value = [&](const char* label) {
        const QRegularExpression line(QStringLiteral("%1:\\s+(-?\\d+)").arg(label));
        return line.match(info).captured(1).toInt();
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
                 value("Height"));
}

TEST(PANEL_ACROSS_MONITORS_SUITE, ThePanelOpensOnTheMonitorOfTheField) {
    ASSERT_TRUE(setMonitors()) << "Qt sees one screen";
#ifdef TAVRIN_QT_SCALE
    const qreal scale = QByteArray(TAVRIN_QT_SCALE).toDouble();
#else
    const qreal scale = 1;
#endif
    Platform::ScreenPixelsWatch watch;
    ASSERT_EQ(watch.current(), Platform::ScreenPixels({{kLeft, scale}, {kRight, scale}}));

    Platform::FakeClock clock;
    Platform::X11FloatingWindows windows{Platform::XcbConnection::open()};
    PanelController controller{{clock, windows, [] { return true; }}};
    RecordingPanelActions actions{clock};

    const struct {
        const char* name;
        // As the accessibility bus reports it, in device pixels.
        QRect field;
        QRect monitor;
        bool below;
    } cases[] = {
        {"left monitor, left edge", {0, 100, 400, 40}, kLeft, true},
        {"left monitor, by the seam", {1700, 100, 200, 40}, kLeft, true},
        {"left monitor, bottom", {300, 1150, 400, 40}, kLeft, false},
        {"right monitor, by the seam", {1930, 100, 400, 40}, kRight, true},
        {"right monitor, right edge", {3600, 100, 200, 40}, kRight, true},
        {"right monitor, top", {2400, 0, 400, 40}, kRight, true},
        {"right monitor, bottom", {2400, 1150, 400, 40}, kRight, false},
    };
    for (const auto& c : cases) {
        ContextSnapshot context;
        context.fieldFrame = watch.current().toLogical(QRectF(c.field));
        AssistantSession session(std::nullopt, context, ProviderID::claudeCLI);
        actions.setSession(&session);
        controller.show(session, actions);
        clock.advance(std::chrono::seconds(2));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller.panel())) << c.name;
        QRect panel;
        // The frame reaches the server a moment after the window maps.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                panel = deviceGeometry(controller.panel().winId());
                return c.monitor.contains(panel);
            },
            3000))
            << c.name << ": panel at " << panel.x() << "," << panel.y() << " " << panel.width()
            << "x" << panel.height();
        if (c.below)
            EXPECT_GT(panel.top(), c.field.bottom()) << c.name;
        else
            EXPECT_LT(panel.bottom(), c.field.top()) << c.name;
        controller.hide();
        clock.advance(std::chrono::seconds(2));
        actions.setSession(nullptr);
    }
}

}  // namespace
