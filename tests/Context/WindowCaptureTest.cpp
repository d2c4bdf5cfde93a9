#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QTest>

#include "Context/WindowCapture.h"
#include "Platform/fake/FakeDesktopWindows.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeWindowImages.h"

using Window = Platform::DesktopWindows::Window;

namespace {

QSize jpegSize(const QByteArray& jpeg) {
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "JPEG");
    return reader.size();
}

TEST(WindowCaptureTest, CocoaRectCountsFromTheBottomOfThePrimaryScreen) {
    EXPECT_EQ(WindowCapture::cocoaRect(QRectF(100, 50, 200, 30), 900.0), QRectF(100, 820, 200, 30));
    EXPECT_EQ(WindowCapture::cocoaRect(QRectF(100, 50, 200, 30), std::nullopt),
              QRectF(100, -80, 200, 30));
}

TEST(WindowCaptureTest, CropBandStaysInsideThePicture) {
    const struct {
        const char* name;
        QSize image;
        QRectF frame, anchor;
        std::optional<QRect> band;
    } cases[] = {
        {"1400 above, 120 below, twice the pixels",
         {2000, 6000},
         {0, 0, 1000, 3000},
         {100, 2000, 400, 30},
         QRect(0, 1200, 2000, 3100)},
        {"cut at the window's top and bottom",
         {1000, 800},
         {50, 100, 1000, 800},
         {100, 300, 400, 30},
         QRect(0, 0, 1000, 350)},
        {"fractions rounded outward",
         {1000, 1000},
         {0, 0, 1000, 1000},
         {0, 1500.5, 10, 10},
         QRect(0, 100, 1000, 900)},
        {"picture shorter than the window says",
         {1000, 500},
         {0, 0, 1000, 1000},
         {0, 400, 10, 30},
         QRect(0, 0, 1000, 500)},
        {"band below the picture",
         {1000, 500},
         {0, 0, 1000, 3000},
         {0, 2500, 10, 30},
         std::nullopt},
        {"40 pixels are too few",
         {1000, 1000},
         {0, 0, 1000, 1000},
         {0, -110, 10, 30},
         std::nullopt},
        {"41 pixels are enough",
         {1000, 1000},
         {0, 0, 1000, 1000},
         {0, -109, 10, 30},
         QRect(0, 0, 1000, 41)},
        {"anchor above the window",
         {1000, 1000},
         {0, 500, 1000, 1000},
         {0, 100, 10, 30},
         std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowCapture::cropBand(c.image, c.frame, c.anchor), c.band) << c.name;
}

TEST(WindowCaptureTest, ChoosesTheWindowUnderTheAnchor) {
    const std::vector<Window> windows = {
        {1, 9, "anderes Programm", {0, 0, 500, 500}},
        {2, 7, "zu schmal", {0, 0, 80, 500}},
        {3, 7, "erstes", {0, 0, 500, 500}},
        {4, 7, "zweites", {600, 0, 500, 500}},
    };
    const struct {
        const char* name;
        std::optional<QRectF> anchor;
        std::optional<quint32> chosen;
    } cases[] = {
        {"no anchor: the front one", std::nullopt, 3},
        {"anchor in the second", QRectF(700, 100, 50, 20), 4},
        {"anchor on no window: the front one", QRectF(2000, 100, 50, 20), 3},
    };
    for (const auto& c : cases) {
        const auto window = WindowCapture::choose(windows, 7, c.anchor);
        EXPECT_EQ(window ? std::optional(window->id) : std::nullopt, c.chosen) << c.name;
    }
    EXPECT_EQ(WindowCapture::choose({{2, 7, "", {0, 0, 80, 500}}}, 7, std::nullopt), std::nullopt);
}

TEST(WindowCaptureTest, JpegIsAtMost1600PixelsWide) {
    const struct {
        QSize image, jpeg;
    } cases[] = {{{3200, 1000}, {1600, 500}}, {{1600, 900}, {1600, 900}}, {{1601, 3}, {1600, 2}}};
    for (const auto& c : cases) {
        QImage image(c.image, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        EXPECT_EQ(jpegSize(WindowCapture::encodeJPEG(image)), c.jpeg) << c.image.width();
    }
    EXPECT_TRUE(WindowCapture::encodeJPEG(QImage()).isEmpty());
}

struct Capture {
    Platform::FakeDesktopWindows windows;
    Platform::FakeWindowImages images;
    Platform::FakeScreenCaptureAccess access;
    WindowCapture capture{windows, images, access};

    Capture() {
        access.granted = true;
        // On the offscreen screen (one logical pixel per device pixel).
        windows.list = {{5, 7, "Fenster", {0, 0, 400, 300}}};
        QImage picture(400, 300, QImage::Format_RGB32);
        picture.fill(Qt::white);
        images.set(5, picture);
    }

    std::pair<std::optional<WindowCapture::Result>, QString> take(
        std::optional<QRectF> anchor, bool crop,
        std::shared_ptr<WindowCapture::Shot> ahead = nullptr) {
        bool done = false;
        std::pair<std::optional<WindowCapture::Result>, QString> result;
        capture.capture(7, anchor, crop, ahead, [&](auto jpeg, QString error) {
            result = {std::move(jpeg), std::move(error)};
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));
        return result;
    }
};

TEST(WindowCaptureTest, CropsOnlyWhenAskedAndAnchored) {
    Capture c;
    const QRectF anchor(10, 40, 100, 20);
    const auto cropped = c.take(anchor, true).first;
    ASSERT_TRUE(cropped);
    EXPECT_TRUE(cropped->cropped);
    EXPECT_EQ(jpegSize(cropped->jpeg), QSize(400, 180));
    const auto whole = c.take(anchor, false).first;
    ASSERT_TRUE(whole);
    EXPECT_FALSE(whole->cropped);
    EXPECT_EQ(jpegSize(whole->jpeg), QSize(400, 300));
}

TEST(WindowCaptureTest, NothingWithoutPermissionWindowOrPicture) {
    {
        Capture c;
        c.access.granted = false;
        EXPECT_EQ(c.take(std::nullopt, false).first, std::nullopt);
        EXPECT_EQ(c.images.grabs(), 0);
    }
    {
        Capture c;
        c.images.remove(5);
        c.images.setError("X-Fehler 8");
        EXPECT_EQ(c.take(std::nullopt, false),
                  std::make_pair(std::optional<WindowCapture::Result>(), QString("X-Fehler 8")));
    }
}

TEST(WindowCaptureTest, UsesThePictureTakenAheadOfItsWindow) {
    Capture c;
    bool ready = false;
    auto shot = c.capture.takeAhead(5, [&] { ready = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ready; }, 5000));
    // Meanwhile something covered the window.
    QImage covered(400, 300, QImage::Format_RGB32);
    covered.fill(Qt::black);
    c.images.set(5, covered);
    const auto result = c.take(std::nullopt, false, shot).first;
    ASSERT_TRUE(result);
    QImage decoded = QImage::fromData(result->jpeg, "JPEG");
    EXPECT_GT(qGray(decoded.pixel(200, 150)), 240);
    EXPECT_EQ(c.images.grabs(), 1);
}

}  // namespace
