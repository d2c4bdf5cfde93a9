#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include "Platform/fake/FakeCompositor.h"
#include "Voice/DictationHUD.h"
#include "Voice/QuickDictationModel.h"

namespace {

// Two screens side by side for the whole test program: the offscreen platform reads them
// from a file, and it must know before the application starts.
const bool kScreensConfigured = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" TAVRIN_FIXTURES_DIR "/screens/two-screens.json");
    return true;
}();

const QSizeF kSize = DictationHUD::kSize;

}  // namespace

TEST(DictationHUDTest, PlacesTheCapsuleBesideTheFieldWithinItsScreen) {
    // Left: 1280 × 800 with a 30 high panel at the bottom; right: 1920 × 1080.
    const QList<DictationHUD::Screen> screens = {
        {QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 770)},
        {QRectF(1280, 0, 1920, 1080), QRectF(1280, 0, 1920, 1080)},
    };
    const QList<DictationHUD::Screen> tiny = {{QRectF(0, 0, 300, 40), QRectF(0, 0, 300, 40)}};
    const struct {
        const char* name;
        std::optional<QRectF> field;
        QList<DictationHUD::Screen> screens;
        std::optional<qsizetype> main;
        QPointF topLeft;
    } rows[] = {
        {"below the field", QRectF(100, 100, 300, 30), screens, 0, {100, 142}},
        {"no room below: above the field", QRectF(100, 720, 300, 30), screens, 0, {100, 656}},
        {"wide field at the right edge", QRectF(900, 300, 800, 30), screens, 0, {852, 342}},
        {"field on the second screen", QRectF(3000, 500, 200, 30), screens, 0, {2772, 542}},
        {"field on no screen: the main screen's area",
         QRectF(5000, 5000, 100, 20),
         screens,
         0,
         {852, 710}},
        {"field above every screen", QRectF(100, -100, 100, 20), screens, 1, {1288, 8}},
        {"pointer only", QRectF(200, 300, 0, 0), screens, 1, {200, 312}},
        {"no field: centred near the main screen's bottom", std::nullopt, screens, 1, {2030, 968}},
        {"no field, no main screen: the first", std::nullopt, screens, std::nullopt, {430, 658}},
        {"larger than the area: right and top edges", QRectF(50, 10, 10, 10), tiny, 0, {-128, 8}},
        {"no screen at all", QRectF(50, 10, 10, 10), {}, std::nullopt, {0, -60}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DictationHUD::frame(row.field, kSize, row.screens, row.main),
                  QRectF(row.topLeft, kSize));
    }
}

TEST(DictationHUDTest, TheMainScreenIsTheOneUnderThePointer) {
    ASSERT_TRUE(kScreensConfigured);
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    QCursor::setPos(2000, 500);
    EXPECT_EQ(DictationHUD::frame(std::nullopt, kSize), QRectF(QPointF(2030, 968), kSize));
    EXPECT_EQ(DictationHUD::frame(QRectF(5000, 5000, 10, 10), kSize),
              QRectF(QPointF(2772, 1020), kSize));
    QCursor::setPos(100, 100);
    EXPECT_EQ(DictationHUD::frame(std::nullopt, kSize), QRectF(QPointF(430, 688), kSize));
    // A field wins over the pointer.
    EXPECT_EQ(DictationHUD::frame(QRectF(1500, 100, 100, 20), kSize),
              QRectF(QPointF(1500, 132), kSize));
}

TEST(DictationHUDTest, OneWindowThatNeverTakesFocusOrInputShowsAFreshViewEachTime) {
    QuickDictationModel model;
    DictationHUD hud(model);
    hud.show(QRectF(100, 100, 300, 30));
    QWidget* window = hud.window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(hud.isVisible());
    const Qt::WindowFlags flags = window->windowFlags();
    for (const Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                      Qt::WindowDoesNotAcceptFocus, Qt::WindowTransparentForInput})
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window->geometry(), QRect(100, 142, 420, 52));
    const auto views = [&] { return window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly); };
    ASSERT_EQ(views().size(), 1);
    QPointer<QWidget> first = views().first();

    hud.hide();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(hud.isVisible());
    EXPECT_TRUE(first.isNull());
    hud.show(QRectF(100, 720, 300, 30));
    EXPECT_EQ(hud.window(), window);
    EXPECT_EQ(views().size(), 1);
    EXPECT_EQ(window->geometry(), QRect(100, 656, 420, 52));
}

TEST(DictationHUDTest, WithoutACompositorTheWindowIsCutToTheCapsule) {
    QuickDictationModel model;
    Platform::FakeCompositor compositor;
    DictationHUD hud(model, &compositor);
    hud.show(QRectF(100, 100, 300, 30));
    const QRegion mask = hud.window()->mask();
    // Inside the capsule, beside its round ends, and in the room kept for a shadow.
    EXPECT_TRUE(mask.contains(QPoint(210, 26)));
    EXPECT_FALSE(mask.contains(QPoint(1, 5)));
    EXPECT_FALSE(mask.contains(QPoint(210, 1)));

    compositor.running = true;
    hud.show(QRectF(100, 100, 300, 30));
    EXPECT_TRUE(hud.window()->mask().isEmpty());
}
