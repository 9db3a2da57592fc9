#include "Sound.h"

#include <soxr.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "Wavetable.h"

namespace {

// The design's scale: level 27 gives 32767.
constexpr double kFullScale = 32767;
// Rendered samples handed to the resampler at a time.
constexpr int kChunkSamples = 1 << 16;

struct TSoxrDelete {
  void operator()(soxr* resampler) const { soxr_delete(resampler); }
};
using TSoxr = std::unique_ptr<soxr, TSoxrDelete>;

// A double a little below its exact value: a whole number of periods computed
// as 2.2 x 5 must not lose the last one to rounding.
double Whole(double value) {
  return std::floor(value + 1e-9);
}

TSoxr MakeResampler(double inputRate, int outputRate) {
  const soxr_io_spec_t io{SOXR_FLOAT64_I, SOXR_FLOAT64_I, 1 / kFullScale, nullptr, 0};
  // 28-bit precision: images and aliases sit far below the 24-bit floor.
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, SOXR_HI_PREC_CLOCK);
  const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  TSoxr resampler(soxr_create(inputRate, outputRate, 1, &error, &io, &quality, &runtime));
  if (error || !resampler) {
    throw std::runtime_error(std::string("the resampler failed: ") + soxr_strerror(error));
  }
  return resampler;
}

}  // namespace

bool IsSoundSpec(const TSoundSpec& spec) {
  return spec.Rate >= kMinSoundRate && spec.Rate <= kMaxSoundRate && std::isfinite(spec.Pitch) &&
         spec.Pitch >= kMinSoundPitch && spec.Pitch <= kMaxSoundPitch &&
         spec.Pitch < spec.Rate / 2.0 && std::isfinite(spec.Seconds) && spec.Seconds > 0 &&
         spec.Seconds <= kMaxSoundSeconds && Whole(spec.Seconds * spec.Pitch) >= 2;
}

std::optional<double> NotePitch(std::string_view name) {
  static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.empty()) return std::nullopt;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  if (letter < 'A' || letter > 'G') return std::nullopt;
  int semitone = kSemitones[letter - 'A'];
  name.remove_prefix(1);
  if (!name.empty() && (name[0] == '#' || name[0] == 'b')) {
    semitone += name[0] == '#' ? 1 : -1;
    name.remove_prefix(1);
  }
  int octave = 0;
  const char* end = name.data() + name.size();
  const auto [stop, error] = std::from_chars(name.data(), end, octave);
  if (name.empty() || error != std::errc() || stop != end || octave < -1 || octave > 9) {
    return std::nullopt;
  }
  const int midi = 12 * (octave + 1) + semitone;
  return 440 * std::exp2((midi - 69) / 12.0);
}

int SoundPeriods(const TSoundSpec& spec) {
  return static_cast<int>(Whole(spec.Seconds * spec.Pitch));
}

int SoundFrameSize(const TSoundSpec& spec) {
  int size = kMinWavetableFrameSize;
  while (size < kMaxWavetableFrameSize && spec.Pitch * size < 16.0 * spec.Rate) size *= 2;
  return size;
}

std::size_t SoundSamples(const TSoundSpec& spec) {
  return static_cast<std::size_t>(std::llround(spec.Seconds * spec.Rate));
}

TSound RenderSound(const TNodeList& wave0, const TNodeList& wave1, const TSoundSpec& spec) {
  if (!IsSoundSpec(spec)) throw std::invalid_argument("bad sound");
  const int n = SoundFrameSize(spec);
  const TSoxr resampler = MakeResampler(spec.Pitch * n, spec.Rate);
  TMorphRenderer morph(wave0, wave1, n, SoundPeriods(spec));

  const int chunkPeriods = std::max(1, kChunkSamples / n);
  std::vector<double> rendered(static_cast<std::size_t>(chunkPeriods) * n);
  std::vector<double> last(static_cast<std::size_t>(n));
  TSound sound;
  sound.Samples.resize(SoundSamples(spec));
  std::size_t produced = 0;
  while (produced < sound.Samples.size()) {
    int periods = morph.Render(rendered.data(), chunkPeriods);
    if (periods > 0) {
      std::copy_n(rendered.begin() + static_cast<std::ptrdiff_t>(periods - 1) * n, n, last.begin());
    } else {
      // The morph's last period, wave 1, goes on: the resampler needs the
      // sound beyond the point where it is cut.
      for (int p = 0; p < chunkPeriods; ++p) {
        std::copy(last.begin(), last.end(), rendered.begin() + static_cast<std::ptrdiff_t>(p) * n);
      }
      periods = chunkPeriods;
    }
    const double* in = rendered.data();
    std::size_t left = static_cast<std::size_t>(periods) * n;
    while (left > 0 && produced < sound.Samples.size()) {
      std::size_t used = 0, made = 0;
      if (soxr_error_t error =
              soxr_process(resampler.get(), in, left, &used, sound.Samples.data() + produced,
                           sound.Samples.size() - produced, &made)) {
        throw std::runtime_error(std::string("the resampler failed: ") + error);
      }
      if (used == 0 && made == 0) throw std::runtime_error("the resampler stalled");
      in += used;
      left -= used;
      produced += made;
    }
  }

  double peak = 0;
  for (double sample : sound.Samples) peak = std::max(peak, std::fabs(sample));
  if (peak > 1) {
    sound.Gain = 1 / peak;
    for (double& sample : sound.Samples) sample *= sound.Gain;
  }
  return sound;
}
