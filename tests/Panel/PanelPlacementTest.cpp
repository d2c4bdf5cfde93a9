#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "Panel/PanelPlacement.h"

using PanelPlacement::Position;
using PanelPlacement::Screen;
using PanelPlacement::Screens;
using Anchor = AnchoredPanel::Anchor;

namespace {

constexpr qreal kWidth = 560;

// A laptop screen with a 25-pixel top bar, and a taller one to its right with a bottom dock.
const Screen kLaptopScreen{{0, 0, 1440, 900}, {0, 25, 1440, 875}};
const Screen kMonitor{{1440, 0, 1280, 1024}, {1440, 0, 1280, 980}};
const Screens kDesk{{kLaptopScreen, kMonitor}, 0};

QRectF fieldWithBottomAt(qreal bottom, qreal x = 300) {
    return {x, bottom - 30, 200, 30};
}

struct PositionCase {
    const char* name;
    std::optional<QRectF> anchor;
    QPointF mouse;
    Screens screens;
    Position expected;
    friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class PositionTable : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PositionTable, PlacesThePanel) {
    const PositionCase& c = GetParam();
    EXPECT_EQ(PanelPlacement::position(c.anchor, kWidth, c.screens, c.mouse), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placement, PositionTable,
    ::testing::Values(
        // More than 420 free below the field after the gap: hangs 10 below it.
        PositionCase{"room_below",
                     fieldWithBottomAt(900 - 431),
                     {},
                     kDesk,
                     {300, Anchor::top(900 - 431 + 10)}},
        // Exactly 430 left: sits 10 above the field and grows upward.
        PositionCase{"no_room_below",
                     fieldWithBottomAt(900 - 430),
                     {},
                     kDesk,
                     {300, Anchor::bottom(900 - 430 - 30 - 10)}},
        PositionCase{"far_left", QRectF(-40, 100, 200, 30), {}, kDesk, {12, Anchor::top(140)}},
        PositionCase{"far_right",
                     QRectF(1400, 100, 30, 30),
                     {},
                     kDesk,
                     {1440 - kWidth - 12, Anchor::top(140)}},
        // On the second screen its own visible area counts, dock included.
        PositionCase{
            "second_screen", QRectF(2000, 600, 200, 30), {}, kDesk, {2000, Anchor::bottom(590)}},
        // A field on no screen is placed against the primary one.
        PositionCase{"off_screen",
                     QRectF(5000, 100, 200, 30),
                     {},
                     kDesk,
                     {1440 - kWidth - 12, Anchor::top(140)}},
        // No field: centred on the screen under the mouse, a fifth of the way down.
        PositionCase{"mouse_on_laptop",
                     std::nullopt,
                     {100, 100},
                     kDesk,
                     {720 - kWidth / 2, Anchor::top(25 + 0.2 * 875)}},
        PositionCase{"mouse_on_monitor",
                     std::nullopt,
                     {2000, 500},
                     kDesk,
                     {2080 - kWidth / 2, Anchor::top(0.2 * 980)}},
        PositionCase{"mouse_nowhere",
                     std::nullopt,
                     {-500, -500},
                     kDesk,
                     {720 - kWidth / 2, Anchor::top(25 + 0.2 * 875)}},
        PositionCase{"no_screens",
                     QRectF(100, 100, 200, 30),
                     {},
                     Screens{},
                     {720 - kWidth / 2, Anchor::top(0.2 * 900)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelPlacement, PlacesAgainstTheFieldElseAThinBoxAroundThePointer) {
    ContextSnapshot context;
    EXPECT_EQ(PanelPlacement::anchorRect(std::nullopt), std::nullopt);
    EXPECT_EQ(PanelPlacement::anchorRect(context), std::nullopt);
    context.pointer = QPointF(500, 300);
    EXPECT_EQ(PanelPlacement::anchorRect(context), QRectF(499, 288, 2, 24));
    context.fieldFrame = QRectF(10, 20, 30, 40);
    EXPECT_EQ(PanelPlacement::anchorRect(context), QRectF(10, 20, 30, 40));
}

struct FrameCase {
    const char* name;
    QRectF requested;
    std::optional<Anchor> anchor;
    Screens screens;
    QRect expected;
    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }
};

class FrameTable : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTable, KeepsTheFrameOnItsScreen) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(PanelPlacement::frame(c.requested, c.anchor, c.screens), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placement, FrameTable,
    ::testing::Values(
        FrameCase{"top_anchor", {100, 37, 560, 300}, Anchor::top(500), kDesk, {100, 500, 560, 300}},
        FrameCase{
            "bottom_anchor", {100, 37, 560, 300}, Anchor::bottom(700), kDesk, {100, 400, 560, 300}},
        FrameCase{"no_anchor", {100, 37, 560, 300}, std::nullopt, kDesk, {100, 37, 560, 300}},
        // Taller than the visible area less the margins: the bottom edge stays visible.
        FrameCase{"too_tall",
                  {100, 0, 560, 2000},
                  Anchor::top(100),
                  kDesk,
                  {100, 900 - 8 - 2000, 560, 2000}},
        // Wider: the left edge stays visible.
        FrameCase{"too_wide", {300, 100, 1500, 200}, std::nullopt, kDesk, {8, 100, 1500, 200}},
        FrameCase{"below_the_dock",
                  {1500, 900, 560, 200},
                  std::nullopt,
                  kDesk,
                  {1500, 980 - 8 - 200, 560, 200}},
        FrameCase{
            "under_the_top_bar", {100, 0, 560, 200}, std::nullopt, kDesk, {100, 25 + 8, 560, 200}},
        // Centre on no screen, touching none: clamped into the primary screen.
        FrameCase{"nowhere",
                  {5000, 3000, 560, 200},
                  std::nullopt,
                  kDesk,
                  {1440 - 8 - 560, 900 - 8 - 200, 560, 200}},
        FrameCase{"no_screens",
                  {5000.5, 3000, 560, 200},
                  std::nullopt,
                  Screens{},
                  {5000, 3000, 561, 200}},
        // Half pixels widen outward to whole ones.
        FrameCase{
            "fractions", {100.5, 200.25, 560, 300}, std::nullopt, kDesk, {100, 200, 561, 301}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PanelPlacement, SeesTheScreensQtReports) {
    const Screens screens = PanelPlacement::currentScreens();
    ASSERT_EQ(screens.all.size(), 2);
    ASSERT_TRUE(screens.primary.has_value());
    const QRect right = QGuiApplication::screens().at(1)->geometry();
    EXPECT_EQ(screens.all[1].frame, QRectF(right));
    // A field on the right-hand screen hangs below it there, not on the primary screen.
    const QRectF field(right.x() + 100, right.y() + 100, 200, 30);
    const Position placed = PanelPlacement::position(field, kWidth, screens, {});
    EXPECT_EQ(placed, (Position{right.x() + 100.0, Anchor::top(right.y() + 140.0)}));
    const QRect frame =
        PanelPlacement::frame(QRectF(placed.x, 0, kWidth, 300), placed.anchor, screens);
    EXPECT_TRUE(right.contains(frame));
}

}  // namespace
