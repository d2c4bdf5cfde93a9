#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include "Platform/linux/PulseMicrophoneAccess.h"
#include "support/ScopedEnv.h"

using Platform::AuthorizationStatus;

TEST(PulseMicrophoneAccessTest, NoSoundServerMeansDeniedAndRequestsCompleteWhileTheBackendLives) {
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/tavrin-pulse");
    EXPECT_FALSE(Platform::PulseMicrophoneAccess::hasDefaultInput());

    Platform::PulseMicrophoneAccess access;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return access.status() != AuthorizationStatus::notDetermined; }, 5000));
    EXPECT_EQ(access.status(), AuthorizationStatus::denied);

    bool done = false;
    bool dropped = false;
    const QThread* mainThread = QThread::currentThread();
    access.requestAccess([&] {
        EXPECT_EQ(QThread::currentThread(), mainThread);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 5000));

    // A completion due after its backend is gone is dropped.
    {
        Platform::PulseMicrophoneAccess gone;
        gone.requestAccess([&] { dropped = true; });
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(dropped);
}
