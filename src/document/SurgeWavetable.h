#pragma once

#include <string>

#include "Filewrite.h"
#include "Nodes.h"
#include "Wavetable.h"

// Flags of a .wt header; "is a sample" (0x0001) stays clear.
constexpr int kSurgeInt16 = 0x0004;
constexpr int kSurgeFullRange = 0x0008;

// The frames of RenderWavetable in Surge's .wt layout: "vawt", then
// little-endian the 32-bit frame size, the 16-bit frame count and the 16-bit
// flags (16-bit data using the full range, a wavetable rather than a sample),
// then the samples. An existing file is replaced only when the whole file was
// written.
TWriteOutcome WriteSurgeWavetable(const std::string& path, const TNodeList& wave0,
                                  const TNodeList& wave1, int frameSize = kWavetableFrameSize);
