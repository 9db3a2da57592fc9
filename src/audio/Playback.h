#pragma once

#include "Nodes.h"

// Press-and-hold playback: the stream is fed for as long as the left mouse
// button stays down, and closed on its release.
constexpr int PlayPeriodSamples = kPeriodSamples;
constexpr int PlayMorphSamples = kMorphSamples;
// How long the loop sleeps on the device when both buffers are out and the
// pointer offers nothing to wake it: short enough that a release is noticed
// well within 10 ms.
constexpr int PlayWaitMilliseconds = 5;
// The same when the pointer's descriptor wakes the loop on a release: a bound
// that lets the pointer recheck now and then in case a release went
// unreported. It is longer than a quarter of the device's buffer, so a hold
// wakes only when the device takes the next buffer.
constexpr int PlaySleepMilliseconds = 250;

// Samples are converted as the WAV export converts them (SampleToPcm).
// Plays the 114 samples of one period over and over without a gap.
void PlayPeriodWhileHeld(const double* Samples);
// Plays the 11,400 samples of the morph once, then silence.
void PlayMorphWhileHeld(const double* Samples);
