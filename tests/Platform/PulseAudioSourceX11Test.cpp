#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <optional>

#include "Platform/linux/PulseAudioSource.h"
#include "support/SoundServer.h"

TEST(PulseAudioSourceX11Test, RecordsThirtyMillisecondBuffersUntilClosed) {
    SoundServer server("module-null-source source_name=mic");
    ASSERT_TRUE(server.running());
    Platform::PulseAudioSource source;
    std::atomic<int> buffers = 0;
    std::atomic<int> wrongSize = 0;
    const QString error = source.open({[&](std::span<const float> samples) {
                                           ++buffers;
                                           if (samples.size() != 480)
                                               ++wrongSize;
                                       },
                                       {}});
    ASSERT_EQ(error, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return buffers >= 10; }, 5000));
    source.close();
    const int atClose = buffers;
    QTest::qWait(100);
    EXPECT_EQ(buffers, atClose);
    // Only the rest handed over at close may be shorter.
    EXPECT_LE(wrongSize, 1);
}

TEST(PulseAudioSourceX11Test, AServerThatGoesAwayEndsTheCaptureWithAMessage) {
    std::optional<SoundServer> server;
    server.emplace("module-null-source source_name=mic");
    ASSERT_TRUE(server->running());
    Platform::PulseAudioSource source;
    std::atomic<int> failures = 0;
    std::atomic<int> buffers = 0;
    ASSERT_EQ(source.open({[&](std::span<const float>) { ++buffers; },
                           [&](const QString& message) {
                               if (!message.isEmpty())
                                   ++failures;
                           }}),
              QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return buffers > 0; }, 5000));
    server.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return failures > 0; }, 5000));
    source.close();
    EXPECT_EQ(failures, 1);
}
