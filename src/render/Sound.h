#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "Nodes.h"

constexpr int kDefaultSoundRate = 48000;
constexpr int kMinSoundRate = 8000;
constexpr int kMaxSoundRate = 192000;
// The window's own pitch: a period of 114 samples at 29,761 Hz.
constexpr double kDefaultSoundPitch = 29761.0 / 114;
constexpr double kMinSoundPitch = 10;
constexpr double kMaxSoundPitch = 20000;
constexpr double kDefaultSoundSeconds = 2;
constexpr double kMaxSoundSeconds = 60;

struct TSoundSpec {
  int Rate = kDefaultSoundRate;
  double Pitch = kDefaultSoundPitch;
  double Seconds = kDefaultSoundSeconds;
};

// Rate, pitch and length within their ranges, the pitch below half the rate,
// and room for the two periods a morph needs at least.
bool IsSoundSpec(const TSoundSpec& spec);

// The frequency of a note such as "A3", "C#4" or "Eb2" in equal temperament
// with A4 at 440 Hz; nothing for any other text.
std::optional<double> NotePitch(std::string_view name);

// The morph's periods: as many whole periods as the length holds, so the
// last of them is wave 1; what remains of the length goes on with wave 1.
int SoundPeriods(const TSoundSpec& spec);
// The harmonics each period keeps: every one below half the rate.
int SoundHarmonics(const TSoundSpec& spec);
// The samples each period is synthesised at before resampling: the smallest
// power of two (4 or more) above twice the harmonics kept.
int SoundFrameSize(const TSoundSpec& spec);
// Length times rate, rounded.
std::size_t SoundSamples(const TSoundSpec& spec);

struct TSound {
  std::vector<double> Samples;  // full scale is +-1
  double Gain = 1;              // below 1 when the sound was scaled down to fit
};

// The morph from wave0 to wave1 spread over the length asked for at its
// pitch. Each period is its curve's own Fourier series, integrated exactly,
// cut after the last harmonic below half the rate asked for and summed at
// SoundFrameSize points; libsoxr resamples the whole to that rate. Where the
// band-limited curve would pass full scale, every sample is scaled down by
// the same gain. spec must satisfy IsSoundSpec; throws std::runtime_error
// when the resampler fails.
TSound RenderSound(const TNodeList& wave0, const TNodeList& wave1, const TSoundSpec& spec);
