#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "Voice/AudioLevel.h"

TEST(AudioLevelTest, MapsSeventyToFifteenDecibelsOntoZeroToOne) {
    const auto sine = [](float amplitude) {
        std::vector<float> samples(1600);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = amplitude * std::sin(2 * std::numbers::pi_v<float> * 440 * i / 16000);
        return samples;
    };
    const auto square = [](float amplitude) {
        std::vector<float> samples(480);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = i % 2 ? amplitude : -amplitude;
        return samples;
    };
    std::vector<float> withNaN = sine(0.5f);
    withNaN[7] = std::numeric_limits<float>::quiet_NaN();

    const struct {
        const char* name;
        std::vector<float> samples;
        float level;
    } rows[] = {
        {"no samples", {}, 0},
        {"digital silence", std::vector<float>(480, 0.0f), 0},
        {"full-scale square", square(1), 1},
        {"louder than full scale", square(4), 1},
        {"sine of 0.01 (-43 dB)", sine(0.01f), 0.4906f},
        {"square at -70 dB", square(std::pow(10.0f, -70.0f / 20)), 0},
        {"square at -15 dB", square(std::pow(10.0f, -15.0f / 20)), 1},
        {"square at -42.5 dB", square(std::pow(10.0f, -42.5f / 20)), 0.5f},
        {"a NaN sample", withNaN, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(audioLevel(row.samples), row.level, 0.002f);
    }
}
