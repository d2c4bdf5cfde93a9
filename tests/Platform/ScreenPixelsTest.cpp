#include <gtest/gtest.h>

#include "Platform/ScreenPixels.h"

using Platform::ScreenPixels;

namespace {

// A 1920-pixel monitor at scale 1 and a 2560-pixel one at scale 2 to its right, lower down.
const ScreenPixels kDesk({{QRect(0, 0, 1920, 1080), 1}, {QRect(1920, 200, 2560, 1440), 2}});

TEST(ScreenPixelsTest, EachMonitorScalesAboutItsOwnOrigin) {
    const struct {
        const char* name;
        QRectF device;
        QRectF logical;
    } cases[] = {
        {"first monitor", {100, 100, 400, 40}, {100, 100, 400, 40}},
        {"second monitor's corner", {1920, 200, 40, 40}, {1920, 200, 20, 20}},
        {"second monitor", {2920, 1200, 400, 40}, {2420, 700, 200, 20}},
        {"the shared edge belongs to the right monitor", {1910, 400, 20, 20}, {1915, 300, 10, 10}},
        {"off every monitor: the nearest", {5000, 300, 40, 40}, {3460, 250, 20, 20}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kDesk.toLogical(c.device), c.logical) << c.name;
        EXPECT_EQ(kDesk.toDevice(c.logical), c.device) << c.name << ", back";
    }
}

TEST(ScreenPixelsTest, WithoutScreensNothingChanges) {
    const QRectF rect(10, 20, 30, 40);
    EXPECT_EQ(ScreenPixels().toLogical(rect), rect);
    EXPECT_EQ(ScreenPixels({{QRect(0, 0, 100, 100), 0}}).toDevice(rect), rect);
}

}  // namespace
