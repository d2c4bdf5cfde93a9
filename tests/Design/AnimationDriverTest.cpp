#include <gtest/gtest.h>

#include <QWidget>

#include "Design/AnimationDriver.h"
#include "ThemeRig.h"

using namespace std::chrono_literals;

namespace {

struct Rig : ThemeRig {
    QWidget window;
    QWidget* child = new QWidget(&window);
    AnimationDriver* driver;
    int ticks = 0;

    explicit Rig(AnimationDriver::Motion motion = AnimationDriver::Motion::decorative)
        : driver(new AnimationDriver(child, motion)) {
        QObject::connect(driver, &AnimationDriver::ticked, [this] { ++ticks; });
    }
    int ticksIn(std::chrono::milliseconds span) {
        const int before = ticks;
        clock.advance(span);
        return ticks - before;
    }
};

TEST(AnimationDriverTest, TicksAtMostThirtyTimesASecondOnlyWhileVisibleAndMotionIsWanted) {
    struct Case {
        const char* name;
        bool shown;
        bool hideParentAfterShowing;
        bool reduceMotion;
        AnimationDriver::Motion motion;
        int minimum;
        int maximum;
    };
    const Case cases[] = {
        {"shown", true, false, false, AnimationDriver::Motion::decorative, 29, 30},
        {"never shown", false, false, false, AnimationDriver::Motion::decorative, 0, 0},
        {"parent hidden again", true, true, false, AnimationDriver::Motion::decorative, 0, 0},
        {"reduce motion", true, false, true, AnimationDriver::Motion::decorative, 0, 0},
        {"progress under reduce motion", true, false, true, AnimationDriver::Motion::essential, 29,
         30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.motion);
        rig.appearance.setReduceMotion(c.reduceMotion);
        if (c.shown)
            rig.window.show();
        if (c.hideParentAfterShowing)
            rig.window.hide();
        const int ticks = rig.ticksIn(1000ms);
        EXPECT_GE(ticks, c.minimum);
        EXPECT_LE(ticks, c.maximum);
        EXPECT_EQ(rig.driver->isRunning(), c.maximum > 0);
    }
}

TEST(AnimationDriverTest, FollowsReduceMotionAndVisibilityAsTheyChange) {
    Rig rig;
    rig.window.show();
    EXPECT_GT(rig.ticksIn(200ms), 0);
    rig.appearance.setReduceMotion(true);
    EXPECT_TRUE(rig.driver->isStill());
    EXPECT_EQ(rig.ticksIn(1000ms), 0);
    EXPECT_EQ(rig.clock.pendingTimers(), 0);
    rig.appearance.setReduceMotion(false);
    EXPECT_GT(rig.ticksIn(200ms), 0);
    rig.child->hide();
    EXPECT_EQ(rig.ticksIn(1000ms), 0);
    rig.child->show();
    EXPECT_GT(rig.ticksIn(200ms), 0);
}

TEST(AnimationDriverTest, CountsSecondsFromTheFirstOfJanuary2001ByTheThemeClock) {
    Rig rig;
    rig.clock.setNow(QDateTime(QDate(2001, 1, 1), QTime(0, 0, 10, 500), Qt::UTC));
    EXPECT_DOUBLE_EQ(rig.driver->seconds(), 10.5);
    rig.clock.advance(250ms);
    EXPECT_DOUBLE_EQ(rig.driver->seconds(), 10.75);
}

}  // namespace
