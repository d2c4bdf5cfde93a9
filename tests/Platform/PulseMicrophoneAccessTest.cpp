#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "Platform/linux/PulseMicrophoneAccess.h"
#include "support/ScopedEnv.h"

using Platform::AuthorizationStatus;

TEST(PulseMicrophoneAccessTest, NoSoundServerMeansDeniedAndRequestsStillComplete) {
    ScopedEnv server("PULSE_SERVER", QStringLiteral("unix:/nonexistent/tavrin-pulse"));
    EXPECT_FALSE(Platform::PulseMicrophoneAccess::hasDefaultInput());

    Platform::PulseMicrophoneAccess access;
    QElapsedTimer waited;
    waited.start();
    while (access.status() == AuthorizationStatus::notDetermined && waited.elapsed() < 5000)
        QThread::msleep(10);
    EXPECT_EQ(access.status(), AuthorizationStatus::denied);

    bool done = false;
    const QThread* mainThread = QThread::currentThread();
    access.requestAccess([&] {
        EXPECT_EQ(QThread::currentThread(), mainThread);
        done = true;
    });
    while (!done && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(done);
}

TEST(PulseMicrophoneAccessTest, CompletionAfterTheBackendIsGoneIsDropped) {
    ScopedEnv server("PULSE_SERVER", QStringLiteral("unix:/nonexistent/tavrin-pulse"));
    bool called = false;
    {
        Platform::PulseMicrophoneAccess access;
        access.requestAccess([&] { called = true; });
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
}
