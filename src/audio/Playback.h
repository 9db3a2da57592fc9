#pragma once

#include <cstdint>

// Press-and-hold playback: the stream is fed for as long as the left mouse
// button stays down, and closed on its release.

constexpr int PlayPeriodSamples = 114;
constexpr int PlayMorphSamples = 11400;
// How long the loop sleeps on the device when both buffers are out; short
// enough that a release is noticed well within 10 ms.
constexpr int PlayWaitMilliseconds = 5;

// A rendered sample on the 16-bit scale as the stream takes it: truncated
// toward zero and cut to its low 16 bits, never saturated. Not-a-number and
// infinities, which have no integer part, give 0.
std::int16_t SampleBits(double Value);

// Plays the 114 samples of one period over and over without a gap.
void PlayPeriodWhileHeld(const double* Samples);
// Plays the 11,400 samples of the morph once, then silence.
void PlayMorphWhileHeld(const double* Samples);
