#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "Platform/linux/EwmhWindowManagerInfo.h"
#include "Platform/linux/XcbConnection.h"

using namespace Platform;

namespace {

// Before a window manager runs there is no name; openbox names itself; once it is gone its
// stale property on the root window names nobody.
TEST(EwmhWindowManagerInfoX11, NamesTheRunningWindowManagerOnly) {
    auto connection = XcbConnection::open();
    ASSERT_TRUE(connection);
    EwmhWindowManagerInfo info(connection);
    EXPECT_EQ(info.name(), std::nullopt);

    QProcess openbox;
    openbox.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(openbox.waitForStarted(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return info.name() == QStringLiteral("Openbox"); }, 5000));

    openbox.terminate();
    ASSERT_TRUE(openbox.waitForFinished(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !info.name(); }, 5000));
}

}  // namespace
