#include "Voice/AudioLevel.h"

#include <algorithm>
#include <cmath>

float audioLevel(std::span<const float> samples) {
    if (samples.empty())
        return 0;
    float sum = 0;
    for (const float sample : samples)
        sum += sample * sample;
    const float rms = std::sqrt(sum / static_cast<float>(samples.size()));
    // A broken buffer must not paint the meter (NaN compares false with every bound).
    if (std::isnan(rms))
        return 0;
    const float decibels = 20 * std::log10(std::max(rms, 1e-6f));
    return std::clamp((decibels + 70) / 55, 0.0f, 1.0f);
}
