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

// GTK reports device pixels on the accessibility bus, Qt the logical ones of its own scale.
TEST_F(FIELD_ON_SECOND_MONITOR_SUITE, AFieldOnTheRightMonitorIsReadOnIt) {
    const auto right = splitIntoTwoMonitors();
    ASSERT_TRUE(right) << "Qt sees one screen";
    ASSERT_TRUE(startWindowManager(windowManager));
    const QScreen* rightScreen = nullptr;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().x() > 0)
            rightScreen = screen;
    ASSERT_TRUE(rightScreen);

    const struct {
        const char* name;
        QString program;
        QStringList arguments;
    } cases[] = {
        {"GTK entry", QStringLiteral(TAVRIN_GTK_ENTRY_WINDOW), {}},
        {"Qt line edit", QStringLiteral(TAVRIN_FIELD_WINDOW), {"fields"}},
    };
    for (const auto& c : cases) {
        const quint32 window = startTestWindow(application, c.program, c.arguments);
        ASSERT_NE(window, 0u) << c.name;
        // Moved in device pixels, as the user drags it: a quarter into the right monitor.
        runProgram("xdotool", {"windowmove", "--sync", QString::number(window),
                               QString::number(right->x() + right->width() / 4), "100"});
        ASSERT_TRUE(bringToFront(window)) << c.name;

        std::optional<ContextSnapshot> read;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                read = snapshot();
                return read && read->fieldEditable && read->fieldFrame;
            },
            8000))
            << c.name
            << (read ? " read: role " + read->fieldRole.value_or("none").toStdString() +
                           (read->fieldEditable ? ", editable" : ", not editable") +
                           (read->fieldFrame ? ", with a frame" : ", no frame")
                     : " nothing read");
        if (read && read->fieldFrame) {
            const QRectF field = *read->fieldFrame;
            EXPECT_EQ(QGuiApplication::screenAt(field.center().toPoint()), rightScreen)
                << c.name << ": field at " << field.x() << "," << field.y();
            // The window is found where the field is.
            const auto found =
                WindowCapture::choose(windows.windows(), application.processId(), field);
            ASSERT_TRUE(found) << c.name;
            EXPECT_TRUE(found->frame.contains(field.center()))
                << c.name << ": window at " << found->frame.x() << "," << found->frame.y();
        }
        application.terminate();
        application.waitForFinished(3000);
    }
}

}  // namespace
