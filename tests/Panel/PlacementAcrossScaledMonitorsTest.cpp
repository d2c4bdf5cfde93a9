#include <gtest/gtest.h>

#include "Panel/PanelPlacement.h"
#include "Platform/ScreenPixels.h"

using Anchor = AnchoredPanel::Anchor;
using Platform::ScreenPixels;

namespace {

constexpr qreal kPanelWidth = 560;

// Two 2560 × 2160 monitors side by side, each at its own scale.
ScreenPixels scaledDesk(qreal leftScale, qreal rightScale) {
    return ScreenPixels(
        {{QRect(0, 0, 2560, 2160), leftScale}, {QRect(2560, 0, 2560, 2160), rightScale}});
}

// The screens as Qt shows them: each keeps its device origin and shrinks by its scale.
PanelPlacement::Screens logicalScreens(const ScreenPixels& pixels) {
    PanelPlacement::Screens screens;
    for (const ScreenPixels::Screen& screen : pixels.screens()) {
        const QRectF frame(QPointF(screen.device.topLeft()),
                           QSizeF(screen.device.size()) / screen.ratio);
        screens.all.append({frame, frame});
    }
    screens.primary = 0;
    return screens;
}

TEST(PlacementAcrossScaledMonitorsTest, ThePanelOpensOnTheFieldsOwnMonitor) {
    const struct {
        const char* name;
        qreal leftScale, rightScale;
        // As the accessibility bus reports it, in device pixels.
        QRectF field;
        PanelPlacement::Position expected;
    } cases[] = {
        {"scale 1, left monitor, left edge", 1, 1, {0, 400, 400, 40}, {12, Anchor::top(450)}},
        {"scale 1, left monitor, right edge",
         1,
         1,
         {2400, 400, 150, 40},
         {2560 - kPanelWidth - 12, Anchor::top(450)}},
        {"scale 1, left monitor, bottom", 1, 1, {100, 2100, 400, 40}, {100, Anchor::bottom(2090)}},
        {"scale 1, right monitor, left edge", 1, 1, {2570, 400, 400, 40}, {2572, Anchor::top(450)}},
        {"scale 1, right monitor, right edge",
         1,
         1,
         {4900, 400, 200, 40},
         {5120 - kPanelWidth - 12, Anchor::top(450)}},
        {"scale 2, left monitor, left edge", 2, 2, {0, 400, 400, 40}, {12, Anchor::top(230)}},
        {"scale 2, left monitor, right edge",
         2,
         2,
         {2400, 400, 150, 40},
         {1280 - kPanelWidth - 12, Anchor::top(230)}},
        {"scale 2, left monitor, bottom", 2, 2, {100, 2100, 400, 40}, {50, Anchor::bottom(1040)}},
        {"scale 2, right monitor, left edge", 2, 2, {2570, 400, 400, 40}, {2572, Anchor::top(230)}},
        {"scale 2, right monitor, right edge",
         2,
         2,
         {4900, 400, 200, 40},
         {2560 + 1280 - kPanelWidth - 12, Anchor::top(230)}},
        {"scale 2, right monitor, top", 2, 2, {3000, 0, 400, 40}, {2780, Anchor::top(30)}},
        {"scale 2, right monitor, bottom",
         2,
         2,
         {3000, 2120, 400, 40},
         {2780, Anchor::bottom(1050)}},
        // A field across the seam belongs to the monitor that holds its middle.
        {"scale 2, across the seam", 2, 2, {2500, 400, 200, 40}, {2572, Anchor::top(230)}},
        {"scale 1 beside 2, right monitor", 1, 2, {2570, 400, 400, 40}, {2572, Anchor::top(230)}},
        {"scale 2 beside 1, right monitor", 2, 1, {2570, 400, 400, 40}, {2572, Anchor::top(450)}},
    };
    for (const auto& c : cases) {
        const ScreenPixels pixels = scaledDesk(c.leftScale, c.rightScale);
        const QRectF field = pixels.toLogical(c.field);
        EXPECT_EQ(PanelPlacement::position(field, kPanelWidth, logicalScreens(pixels), {}),
                  c.expected)
            << c.name;
    }
}

}  // namespace
