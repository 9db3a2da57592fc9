#pragma once

#include <string>

#include "Filewrite.h"
#include "Nodes.h"

constexpr int kWavSampleRate = 29761;
constexpr int kWavHeaderSize = 60;
constexpr int kWavFileSize = kWavHeaderSize + 2 * kMorphSamples;

// Renders the morph from wave0 to wave1 and writes it as 16-bit mono PCM with
// a "vrlx" chunk giving the period layout. An existing file is replaced only
// when every byte has been written and the file closed.
TWriteOutcome WriteWav(const std::string& path, const TNodeList& wave0, const TNodeList& wave1);
