#include <gtest/gtest.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "Context/ContextRig.h"
#include "support/Programs.h"
#include "support/TestWindows.h"
#include "support/XcbPlatform.h"

// Built twice: as it is, and with Qt scaling every screen by two.
#ifdef TAVRIN_QT_SCALE
inline const bool scaledScreens = [] { return qputenv("QT_SCALE_FACTOR", TAVRIN_QT_SCALE); }();
#define FIELD_ON_SECOND_MONITOR_SUITE FieldOnScaledSecondMonitorX11Test
#else
#define FIELD_ON_SECOND_MONITOR_SUITE FieldOnSecondMonitorX11Test
#endif

namespace {

// The screen split into two RandR monitors side by side; the right one's device rectangle.
std::optional<QRect> splitIntoTwoMonitors() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize device = screen->geometry().size() * screen->devicePixelRatio();
    const int half = device.width() / 2;
    const QString size = QStringLiteral("%1/300x%2/200").arg(half).arg(device.height());
    runProgram("xrandr", {"--setmonitor", "left", size + "+0+0", "screen"});
    runProgram("xrandr",
               {"--setmonitor", "right", size + QStringLiteral("+%1+0").arg(half), "none"});
    if (!QTest::qWaitFor([] { return QGuiApplication::screens().size() == 2; }, 5000))
        return std::nullopt;
    return QRect(half, 0, half, device.height());
}

class FIELD_ON_SECOND_MONITOR_SUITE : public ::testing::Test, protected ContextRig {
protected:
    void TearDown() override {
        for (QProcess* process : {&application, &windowManager}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }

    std::optional<ContextSnapshot> snapshot() {
        QEventLoop loop;
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        std::optional<ContextSnapshot> result;
        auto handle = collector.quickSnapshot(std::nullopt, false, [&](auto snapshot) {
            result = std::move(snapshot);
            loop.quit();
        });
        if (!result)
            loop.exec();
        return result;
    }

    QProcess windowManager;
    QProcess application;
};

TEST_F(FIELD_ON_SECOND_MONITOR_SUITE, AFieldOnTheRightMonitorIsReadOnIt) {
    const auto right = splitIntoTwoMonitors();
    ASSERT_TRUE(right) << "Qt sees one screen";
    ASSERT_TRUE(startWindowManager(windowManager));
    const quint32 window = startTestWindow(application, QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW));
    ASSERT_NE(window, 0u);
    // Moved in device pixels, as the user drags it: just past the left edge of the right monitor.
    runProgram("xdotool", {"windowmove", "--sync", QString::number(window),
                           QString::number(right->x() + 10), "100"});
    ASSERT_TRUE(bringToFront(window));

    const QScreen* rightScreen = nullptr;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().x() > 0)
            rightScreen = screen;
    ASSERT_TRUE(rightScreen);
    std::optional<ContextSnapshot> read;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            read = snapshot();
            return read && read->fieldEditable && read->fieldFrame;
        },
        8000));
    const QRectF field = *read->fieldFrame;
    EXPECT_EQ(QGuiApplication::screenAt(field.center().toPoint()), rightScreen)
        << "field at " << field.x() << "," << field.y();
    // The window is found where the field is, on the same monitor.
    const auto windowFrame =
        WindowCapture::choose(windows.windows(), application.processId(), field);
    ASSERT_TRUE(windowFrame);
    EXPECT_TRUE(windowFrame->frame.contains(field.center()))
        << "window at " << windowFrame->frame.x() << "," << windowFrame->frame.y();
    EXPECT_EQ(QGuiApplication::screenAt(windowFrame->frame.center().toPoint()), rightScreen);
}

}  // namespace
