#include "Sound.h"

#include <fftw3.h>
#include <soxr.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <complex>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

// The design's scale: level 27 gives 32767.
constexpr double kFullScale = 32767;
// Rendered samples handed to the resampler at a time.
constexpr int kChunkSamples = 1 << 13;

struct TSoxrDelete {
  void operator()(soxr* resampler) const { soxr_delete(resampler); }
};
using TSoxr = std::unique_ptr<soxr, TSoxrDelete>;

struct TFftwFree {
  void operator()(void* memory) const { fftw_free(memory); }
};
template <class T>
using TFftwBuffer = std::unique_ptr<T[], TFftwFree>;

template <class T>
TFftwBuffer<T> FftwBuffer(int count) {
  TFftwBuffer<T> buffer(static_cast<T*>(fftw_malloc(sizeof(T) * static_cast<std::size_t>(count))));
  if (!buffer) throw std::bad_alloc();
  return buffer;
}

// One period from its Fourier series: the harmonics below half the output
// rate, summed at n points by an inverse real FFT. Nothing is left above
// them to fold back, whatever n.
class TPeriodSynth {
 public:
  TPeriodSynth(int harmonics, int n)
      : Harmonics(harmonics),
        N(n),
        Spectrum(FftwBuffer<fftw_complex>(n / 2 + 1)),
        Samples(FftwBuffer<double>(n)),
        Series(static_cast<std::size_t>(harmonics) + 1) {
    Plan = fftw_plan_dft_c2r_1d(n, Spectrum.get(), Samples.get(), FFTW_ESTIMATE);
    if (!Plan) throw std::runtime_error("the period synthesis failed");
  }
  ~TPeriodSynth() { fftw_destroy_plan(Plan); }
  TPeriodSynth(const TPeriodSynth&) = delete;
  TPeriodSynth& operator=(const TPeriodSynth&) = delete;

  // The morph's next period into out (n samples); false once all have been.
  bool Next(TMorphRenderer& morph, double* out) {
    if (!morph.RenderSeries(Series.data(), Harmonics + 1)) return false;
    // The inverse transform overwrites its input.
    std::fill_n(&Spectrum[0][0], 2 * (N / 2 + 1), 0.0);
    for (int k = 0; k <= Harmonics; ++k) {
      Spectrum[k][0] = Series[static_cast<std::size_t>(k)].real();
      Spectrum[k][1] = Series[static_cast<std::size_t>(k)].imag();
    }
    fftw_execute(Plan);
    std::copy_n(Samples.get(), N, out);
    return true;
  }

 private:
  int Harmonics;
  int N;
  TFftwBuffer<fftw_complex> Spectrum;
  TFftwBuffer<double> Samples;
  std::vector<std::complex<double>> Series;
  fftw_plan Plan = nullptr;
};

// A double a little below its exact value: a whole number of periods computed
// as 2.2 x 5 must not lose the last one to rounding.
double Whole(double value) {
  return std::floor(value + 1e-9);
}

TSoxr MakeResampler(double inputRate, int outputRate) {
  const soxr_io_spec_t io{SOXR_FLOAT64_I, SOXR_FLOAT64_I, 1 / kFullScale, nullptr, 0};
  // 32-bit precision: at 28 bits the polyphase filter's interpolation moved
  // harmonics of a 20 Hz saw at 48 kHz (a ratio of 75 / 128) by 0.003 dB, at
  // 32 bits by 0.0002 dB.
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_32_BITQ, SOXR_HI_PREC_CLOCK);
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

int SoundHarmonics(const TSoundSpec& spec) {
  return std::max(1, static_cast<int>(std::ceil(spec.Rate / (2 * spec.Pitch))) - 1);
}

int SoundFrameSize(const TSoundSpec& spec) {
  int size = 4;
  while (size < 2 * (SoundHarmonics(spec) + 1)) size *= 2;
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
  TPeriodSynth synth(SoundHarmonics(spec), n);

  const int chunkPeriods = std::max(1, kChunkSamples / n);
  std::vector<double> rendered(static_cast<std::size_t>(chunkPeriods) * n);
  std::vector<double> last(static_cast<std::size_t>(n));
  TSound sound;
  sound.Samples.resize(SoundSamples(spec));
  std::size_t produced = 0;
  while (produced < sound.Samples.size()) {
    int periods = 0;
    while (periods < chunkPeriods &&
           synth.Next(morph, rendered.data() + static_cast<std::ptrdiff_t>(periods) * n)) {
      ++periods;
    }
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
