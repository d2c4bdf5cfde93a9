#include <gtest/gtest.h>

#include "Design/FloatingPlacement.h"

namespace {

using FloatingPlacement::Screen;

TEST(FloatingPlacementTest, AnAnchorWithoutAreaBelongsToTheScreenHoldingItsMiddle) {
    // One screen above the other; the second is the main one.
    const QList<Screen> stacked{{QRectF(0, 0, 1280, 800), QRectF(0, 0, 1280, 800)},
                                {QRectF(0, 800, 1280, 800), QRectF(0, 800, 1280, 800)}};
    const QSizeF size(300, 50);
    const struct {
        const char* name;
        QRectF anchor;
        QPointF topLeft;
    } rows[] = {
        // Its top on the upper screen, its middle on the lower one: below it, on the lower.
        {"caret across the seam", QRectF(100, 790, 0, 40), {100, 840}},
        {"caret on the upper screen", QRectF(100, 300, 0, 18), {100, 328}},
        // Below the upper screen's bottom there is no room: above the caret, on the upper one.
        {"caret at the upper screen's bottom", QRectF(100, 760, 0, 18), {100, 700}},
        {"the pointer, a point", QRectF(600, 1000, 0, 0), {600, 1010}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FloatingPlacement::frame(row.anchor, size, 10, stacked, 1),
                  QRectF(row.topLeft, size));
    }
}

}  // namespace
