#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "Nodes.h"

// A design as a wavetable: frame k is period k of the morph, rendered at the
// frame size instead of 114 samples, so the first frame is wave 0 and the
// last wave 1.
constexpr int kWavetableFrames = kMorphPeriods;
constexpr int kWavetableFrameSize = 2048;
constexpr int kMinWavetableFrameSize = 256;
constexpr int kMaxWavetableFrameSize = 4096;

// A power of two from 256 to 4096.
bool IsWavetableFrameSize(int frameSize);

// All frames one after another, each sample converted as the WAV export
// converts it. frameSize must satisfy IsWavetableFrameSize.
std::vector<std::int16_t> RenderWavetable(const TNodeList& wave0, const TNodeList& wave1,
                                          int frameSize);

// The samples as little-endian 16-bit words in one write; false when it failed.
bool WritePcm16(const std::vector<std::int16_t>& samples, std::FILE* file);
