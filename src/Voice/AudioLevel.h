#pragma once

#include <span>

// The level of one microphone buffer for the level meters: 0 at -70 dB RMS and below, 1 at
// -15 dB and above, linear in decibels between. An empty buffer, silence and a buffer that
// holds a NaN give 0. Pure; runs on the capture thread.
float audioLevel(std::span<const float> samples);
