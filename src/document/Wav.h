#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "Filewrite.h"
#include "Nodes.h"

constexpr int kWavSampleRate = 29761;
constexpr int kWavHeaderSize = 60;
constexpr int kWavFileSize = kWavHeaderSize + 2 * kMorphSamples;

// Starts a RIFF WAVE file of mono samples: the RIFF header, whose size field
// counts riffBytes, and the "fmt " chunk of formatTag (1 PCM, 3 IEEE float)
// with bitsPerSample, 18 bytes with an empty extension for any format but PCM.
void WriteMonoHead(std::FILE* out, std::uint32_t riffBytes, std::uint32_t sampleRate, int formatTag,
                   int bitsPerSample);
// The same for 16-bit PCM.
void WriteMonoPcm16Head(std::FILE* out, std::uint32_t riffBytes, std::uint32_t sampleRate);

// Renders the morph from wave0 to wave1 and writes it as 16-bit mono PCM with
// a "vrlx" chunk giving the period layout. An existing file is replaced only
// when every byte has been written and the file closed.
TWriteOutcome WriteWav(const std::string& path, const TNodeList& wave0, const TNodeList& wave1);
