#include <gtest/gtest.h>

#include "Platform/linux/X11Display.h"

TEST(X11DisplayTest, AnswersOnTheSessionDisplayOnly) {
    EXPECT_TRUE(Platform::X11Display::canConnect(qEnvironmentVariable("DISPLAY")));
    EXPECT_FALSE(Platform::X11Display::canConnect(":4711"));
}
