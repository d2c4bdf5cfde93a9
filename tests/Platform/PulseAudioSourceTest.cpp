#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "Platform/linux/PulseAudioSource.h"
#include "support/ScopedEnv.h"

TEST(PulseAudioSourceTest, NoSoundServerFailsTheOpenQuickly) {
    QTemporaryDir scratch;
    ScopedEnv server("PULSE_SERVER", "unix:" + scratch.path() + "/none");
    Platform::PulseAudioSource source(std::chrono::milliseconds(2000));
    QElapsedTimer elapsed;
    elapsed.start();
    int buffers = 0;
    const QString error = source.open({[&](std::span<const float>) { ++buffers; }, {}});
    EXPECT_FALSE(error.isEmpty());
    EXPECT_LT(elapsed.elapsed(), 1000);
    source.close();
    EXPECT_EQ(buffers, 0);
}
