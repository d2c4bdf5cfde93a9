#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "Platform/linux/X11Compositor.h"
#include "Platform/linux/XcbConnection.h"
#include "Voice/DictationHUD.h"
#include "Voice/QuickDictationModel.h"
#include "support/XcbPlatform.h"

// On a real X server the display appears beside the field while the user's window keeps the
// keyboard.
TEST(DictationHUDX11Test, TheFieldKeepsTheKeyboardWhileTheDisplayShows) {
    ASSERT_TRUE(tavrinTestsUseXcb);
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    QLineEdit field;
    field.setWindowTitle("Editor");
    field.setGeometry(200, 200, 400, 30);
    field.show();
    field.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));

    QuickDictationModel model;
    model.setConfirmed("go forward ten meters");
    Platform::X11Compositor compositor(Platform::XcbConnection::open());
    DictationHUD hud(model, &compositor);
    hud.show(QRectF(field.geometry()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hud.window()));
    QTest::qWait(200);
    EXPECT_EQ(QApplication::focusWidget(), &field);
    EXPECT_TRUE(field.isActiveWindow());
    EXPECT_EQ(hud.window()->geometry().topLeft(), QPoint(200, 242));
    // Xvfb runs no compositor: the capsule is cut out.
    EXPECT_FALSE(hud.window()->mask().isEmpty());

    QProcess::execute("import", {"-window", "root", TAVRIN_BINARY_DIR "/hud-x11.png"});
    hud.hide();
    EXPECT_FALSE(hud.isVisible());
}
