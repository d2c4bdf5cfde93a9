#include <gtest/gtest.h>

#include <QTest>

#include "Platform/linux/PulseMicrophoneAccess.h"
#include "support/SoundServer.h"

using Platform::AuthorizationStatus;

TEST(PulseMicrophoneAccessX11Test, RealInputIsAMicrophoneAnOutputsMonitorIsNot) {
    {
        SoundServer server("module-null-source source_name=mic");
        ASSERT_TRUE(server.running());
        EXPECT_TRUE(Platform::PulseMicrophoneAccess::hasDefaultInput());

        Platform::PulseMicrophoneAccess access;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return access.status() != AuthorizationStatus::notDetermined; }, 5000));
        EXPECT_EQ(access.status(), AuthorizationStatus::authorized);
    }
    {
        SoundServer server("module-null-sink sink_name=speakers");
        ASSERT_TRUE(server.running());
        EXPECT_FALSE(Platform::PulseMicrophoneAccess::hasDefaultInput());
    }
}
