#include <gtest/gtest.h>

#include "Platform/linux/AtspiAccessibilityTree.h"
#include "support/ScopedEnv.h"

namespace {

TEST(AtspiAccessibilityTreeTest, WithoutABusThereIsNoTreeAgainAndAgain) {
    // libatspi takes this address over every other way to the bus.
    ScopedEnv address("AT_SPI_BUS_ADDRESS", "unix:path=/nonexistent/at-spi-bus");
    // A second attempt must not find libatspi "started" without a bus: its next call would
    // end the process.
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(Platform::AtspiAccessibilityTree::create(), nullptr) << attempt;
}

}  // namespace
