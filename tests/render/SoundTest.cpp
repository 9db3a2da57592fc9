#include <fftw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <numbers>
#include <numeric>
#include <sstream>

#include "Document.h"
#include "Render.h"
#include "Sound.h"
#include "TempDir.h"

namespace {

// A WAV file as an independent reader sees it: the fields of "fmt " and the
// samples of "data" at full scale +-1.
struct TWavFile {
  int Tag = 0;
  int Channels = 0;
  int Rate = 0;
  int Bits = 0;
  long long FactSamples = -1;
  std::vector<double> Samples;
};

unsigned long long LittleEndian(const Bytes& bytes, std::size_t at, int size) {
  unsigned long long value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
  return value;
}

TWavFile ReadWav(const Bytes& bytes) {
  TWavFile wav;
  EXPECT_GE(bytes.size(), 12u);
  if (bytes.size() < 12) return wav;
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(LittleEndian(bytes, 4, 4), bytes.size() - 8);
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "WAVE");
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at) + 4);
    const std::size_t size = LittleEndian(bytes, at + 4, 4);
    const std::size_t body = at + 8;
    if (id == "fmt ") {
      wav.Tag = static_cast<int>(LittleEndian(bytes, body, 2));
      wav.Channels = static_cast<int>(LittleEndian(bytes, body + 2, 2));
      wav.Rate = static_cast<int>(LittleEndian(bytes, body + 4, 4));
      wav.Bits = static_cast<int>(LittleEndian(bytes, body + 14, 2));
      EXPECT_EQ(LittleEndian(bytes, body + 8, 4), static_cast<unsigned>(wav.Rate * wav.Bits / 8));
    } else if (id == "fact") {
      wav.FactSamples = static_cast<long long>(LittleEndian(bytes, body, 4));
    } else if (id == "data") {
      const int width = wav.Bits / 8;
      for (std::size_t i = body; i + static_cast<std::size_t>(width) <= body + size;
           i += static_cast<std::size_t>(width)) {
        const auto word = static_cast<std::uint32_t>(LittleEndian(bytes, i, width));
        if (wav.Tag == 3) {
          float value;
          std::memcpy(&value, &word, sizeof value);
          wav.Samples.push_back(value);
        } else {
          const int shift = 32 - wav.Bits;
          const auto value = static_cast<std::int32_t>(word << shift) >> shift;
          wav.Samples.push_back(value / std::ldexp(1.0, wav.Bits - 1));
        }
      }
    }
    at = body + size + size % 2;
  }
  return wav;
}

// Times (in samples) at which the sound rises through level, between from
// and to, by linear interpolation between neighbouring samples; a rise
// counts only after the sound has been well below.
std::vector<double> Rises(const std::vector<double>& s, std::size_t from, std::size_t to,
                          double level) {
  std::vector<double> times;
  bool below = false;
  for (std::size_t i = from; i + 1 < to; ++i) {
    below = below || s[i] < -0.2;
    if (below && s[i] < level && s[i + 1] >= level) {
      times.push_back(i + (level - s[i]) / (s[i + 1] - s[i]));
      below = false;
    }
  }
  return times;
}

// The pitch from the rises of one period after another. Each rise is timed
// halfway between the sound's passing -0.1 and +0.1: both waves rise as
// steeply on either side of the period's start, so the midpoint stays put
// while the slopes change with the morph, and it keeps clear of the ripple
// that band-limiting leaves where the curve flattens at zero.
double PitchBetween(const std::vector<double>& s, std::size_t from, std::size_t to, int rate) {
  std::vector<double> low = Rises(s, from, to, -0.1), high = Rises(s, from, to, 0.1);
  // The window may cut a rise in two at either end.
  if (!high.empty() && !low.empty() && high.front() < low.front()) high.erase(high.begin());
  low.resize(std::min(low.size(), high.size()));
  EXPECT_GE(low.size(), 5u);
  if (low.size() < 2) return 0;
  const double first = (low.front() + high.front()) / 2;
  const double last = (low.back() + high[low.size() - 1]) / 2;
  return rate * (low.size() - 1) / (last - first);
}

// The design's own curve at a phase of 0 to 1, at full scale 1: one period
// rendered densely, read between its samples.
struct TCurve {
  static constexpr int kSamples = 1 << 16;
  std::vector<double> Period = std::vector<double>(kSamples);
  explicit TCurve(const TNodeList& wave) { wave.RenderPeriod(Period.data(), kSamples); }
  double operator()(double phase) const {
    const double at = (phase - std::floor(phase)) * kSamples;
    const auto i = static_cast<std::size_t>(at);
    const double next = Period[(i + 1) % kSamples];
    return (Period[i] + (at - i) * (next - Period[i])) / 32767;
  }
};

// Root mean square of the sound against a curve whose phase 0 falls on
// sample start, over span samples from there (one period unless given).
double RmsAgainst(const std::vector<double>& s, double start, double periodSamples,
                  const TCurve& curve, double span = 0) {
  if (span == 0) span = periodSamples;
  double sum = 0;
  int count = 0;
  for (auto i = static_cast<std::size_t>(std::ceil(start)); i < start + span; ++i) {
    const double d = s[i] - curve((i - start) / periodSamples);
    sum += d * d;
    ++count;
  }
  return std::sqrt(sum / count);
}

// Wave 0 the default triangle; wave 1 leans early, falls late through a
// curve, and stays below full scale so that nothing is scaled down. Both
// cross zero steeply, rising once a period, at its start.
struct Sound : TempDirTest {
  TNodeList Wave0, Wave1;
  std::ostringstream Out, Err;
  void SetUp() override {
    TempDirTest::SetUp();
    LoadDefaultDesign(Wave0, Wave1);
    Wave1.SetX(2, 30);
    Wave1.SetY(2, 24);
    Wave1.SetT(2, 3);
    Wave1.SetX(4, 270);
    Wave1.SetY(4, -24);
    Save("d.vlx");
  }
  void Save(const std::string& name) {
    ASSERT_EQ(WriteDocument(Path(name), Wave0, Wave1), TWriteOutcome::Written);
  }
  int Run(std::vector<std::string> args) {
    Out.str("");
    Err.str("");
    args.insert(args.begin(), "--sound");
    return RunRender(args, Out, Err);
  }
  TWavFile Render(std::vector<std::string> args, const std::string& design = "d.vlx") {
    args.push_back(Path(design));
    args.push_back(Path("out.wav"));
    EXPECT_EQ(Run(args), 0) << Err.str();
    return ReadWav(ReadBytes(Path("out.wav")));
  }
};

struct TFileCase {
  std::vector<std::string> Args;
  int Tag;
  int Bits;
  int Rate;
  std::size_t Samples;
};

struct SoundFiles : Sound, ::testing::WithParamInterface<TFileCase> {};

TEST_P(SoundFiles, RateFormatAndLength) {
  const TFileCase& c = GetParam();
  const TWavFile wav = Render(c.Args);
  EXPECT_EQ(wav.Channels, 1);
  EXPECT_EQ(wav.Tag, c.Tag);
  EXPECT_EQ(wav.Bits, c.Bits);
  EXPECT_EQ(wav.Rate, c.Rate);
  EXPECT_EQ(wav.Samples.size(), c.Samples);
  if (c.Tag == 3) {
    EXPECT_EQ(wav.FactSamples, static_cast<long long>(c.Samples));
  }
  const double peak = std::accumulate(wav.Samples.begin(), wav.Samples.end(), 0.0,
                                      [](double m, double v) { return std::max(m, std::fabs(v)); });
  EXPECT_GT(peak, 0.8);
  EXPECT_LE(peak, 1.0);
  EXPECT_EQ(Err.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundFiles,
    ::testing::Values(
        TFileCase{{}, 1, 24, 48000, 96000},
        TFileCase{{"--format", "s16", "--rate", "44100", "--seconds", "0.5"}, 1, 16, 44100, 22050},
        TFileCase{{"--rate", "8000", "--format", "f32", "--seconds", "1"}, 3, 32, 8000, 8000},
        TFileCase{{"--seconds", "0.25", "--rate", "192000"}, 1, 24, 192000, 48000},
        TFileCase{{"--note", "A3", "--seconds", "0.3", "--rate", "96000", "--format", "s16"},
                  1,
                  16,
                  96000,
                  28800},
        TFileCase{
            {"--pitch", "1000", "--seconds", "0.0123", "--rate", "22050"}, 1, 24, 22050, 271}));

struct TPitchCase {
  std::vector<std::string> Args;
  double Pitch;
  int Rate;
};

struct SoundPitch : Sound, ::testing::WithParamInterface<TPitchCase> {};

// Measured from the rises through zero over the first and the last tenth of
// a second, where the waves differ most.
TEST_P(SoundPitch, NearTheStartAndTheEnd) {
  const TPitchCase& c = GetParam();
  const TWavFile wav = Render(c.Args);
  const std::size_t tenth = static_cast<std::size_t>(c.Rate) / 10;
  const std::size_t size = wav.Samples.size();
  ASSERT_GT(size, 2 * tenth);
  EXPECT_NEAR(PitchBetween(wav.Samples, 0, tenth, c.Rate), c.Pitch, c.Pitch * 3e-6);
  EXPECT_NEAR(PitchBetween(wav.Samples, size - tenth, size, c.Rate), c.Pitch, c.Pitch * 3e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundPitch,
    ::testing::Values(
        TPitchCase{{}, 29761.0 / 114, 48000},
        TPitchCase{{"--note", "A3", "--rate", "44100", "--format", "f32"}, 220, 44100},
        TPitchCase{{"--pitch", "97.5", "--seconds", "3", "--format", "s16"}, 97.5, 48000},
        TPitchCase{{"--note", "C#6", "--rate", "96000", "--seconds", "0.5"}, 1108.7305239, 96000}));

// The first period is wave 0 and the last whole one wave 1, band-limited: close
// to the curves themselves, and far from the other wave's.
TEST_F(Sound, FirstPeriodIsWave0AndLastWave1) {
  const TWavFile wav = Render({"--format", "f32", "--seconds", "1.5"});
  const double pitch = kDefaultSoundPitch;
  const double period = 48000 / pitch;
  const double lastStart = (std::floor(1.5 * pitch) - 1) * period;
  const TCurve wave0(Wave0), wave1(Wave1);
  EXPECT_LT(RmsAgainst(wav.Samples, 0, period, wave0), 0.0005);
  EXPECT_GT(RmsAgainst(wav.Samples, 0, period, wave1), 0.1);
  EXPECT_LT(RmsAgainst(wav.Samples, lastStart, period, wave1), 0.0005);
  EXPECT_GT(RmsAgainst(wav.Samples, lastStart, period, wave0), 0.1);
  // What follows the last whole period, to the end, goes on with wave 1.
  const double rest = static_cast<double>(wav.Samples.size()) - lastStart - period;
  ASSERT_GT(rest, 1);
  EXPECT_LT(RmsAgainst(wav.Samples, lastStart + period, period, wave1, rest), 0.0005);
}

// A measured figure as the test's record shows it, to three digits.
std::string Figure(double value) {
  std::ostringstream out;
  out << std::setprecision(3) << value;
  return out.str();
}

// Magnitudes of the discrete Fourier transform of real samples, bins 0 to
// size / 2.
std::vector<double> Magnitudes(std::vector<double> samples) {
  const int size = static_cast<int>(samples.size());
  std::vector<fftw_complex> spectrum(static_cast<std::size_t>(size / 2 + 1));
  fftw_plan plan = fftw_plan_dft_r2c_1d(size, samples.data(), spectrum.data(), FFTW_ESTIMATE);
  fftw_execute(plan);
  fftw_destroy_plan(plan);
  fftw_cleanup();
  std::vector<double> magnitudes;
  for (const fftw_complex& bin : spectrum) magnitudes.push_back(std::hypot(bin[0], bin[1]));
  return magnitudes;
}

// Nothing but the harmonics of the pitch, at the window's own pitch, whose
// period is no whole number of samples, and there the harmonics to 20 kHz
// within 60 dB of the fundamental are the curve's own. Blackman-Harris window
// (side lobes at -92 dB), 2^16 samples from the steady middle of the sound.
TEST_F(Sound, PureTriangleHasNoInharmonicComponentAboveMinus80dB) {
  LoadDefaultDesign(Wave0, Wave1);
  Save("triangle.vlx");
  const TWavFile wav = Render({"--format", "f32"}, "triangle.vlx");
  constexpr int size = 1 << 16;
  constexpr std::size_t from = 15000;
  ASSERT_GE(wav.Samples.size(), from + size);
  std::vector<double> windowed(size);
  for (int i = 0; i < size; ++i) {
    const double x = 2 * std::numbers::pi * i / size;
    const double window =
        0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    windowed[static_cast<std::size_t>(i)] =
        window * wav.Samples[from + static_cast<std::size_t>(i)];
  }
  const std::vector<double> level = Magnitudes(windowed);

  // A harmonic's level gathered over the window's main lobe, which holds
  // the same share of it wherever between two bins it falls.
  const double binsPerHarmonic = kDefaultSoundPitch * size / 48000;
  const auto harmonic = [&](int k) {
    const double centre = k * binsPerHarmonic;
    double energy = 0;
    for (auto bin = static_cast<std::size_t>(centre - 5); bin <= centre + 5; ++bin) {
      energy += level[bin] * level[bin];
    }
    return std::sqrt(energy);
  };
  double worst = 0;
  std::size_t worstBin = 0;
  for (std::size_t bin = 0; bin < level.size(); ++bin) {
    const double nearest = std::round(bin / binsPerHarmonic) * binsPerHarmonic;
    if (std::fabs(bin - nearest) >= 8 && level[bin] > worst) {
      worst = level[bin];
      worstBin = bin;
    }
  }
  // The same measure for a lone peak bin, relative to the fundamental's.
  const double peakShare = *std::max_element(level.begin(), level.begin() + 2 * size / 100);
  const double worstDb = 20 * std::log10(worst / peakShare);
  RecordProperty("worst_inharmonic_dB", Figure(worstDb));
  EXPECT_LT(worstDb, -80) << "at " << worstBin * 48000.0 / size << " Hz";

  // The harmonics below half the rate are the curve's own: its Fourier
  // series, from one period rendered densely.
  const std::vector<double> period = Magnitudes(TCurve(Wave0).Period);
  double worstHarmonic = 0;
  for (int k = 2; k * kDefaultSoundPitch <= 20000; ++k) {
    if (period[static_cast<std::size_t>(k)] < 1e-3 * period[1]) continue;
    const double deviation = 20 * std::log10(harmonic(k) / harmonic(1)) -
                             20 * std::log10(period[static_cast<std::size_t>(k)] / period[1]);
    EXPECT_LT(std::fabs(deviation), 1e-4) << "harmonic " << k;
    worstHarmonic = std::max(worstHarmonic, std::fabs(deviation));
  }
  RecordProperty("worst_harmonic_deviation_dB", Figure(worstHarmonic));
}

struct THarmonicCase {
  const char* Shape;
  double Pitch;
};

std::ostream& operator<<(std::ostream& out, const THarmonicCase& c) {
  return out << c.Shape << " at " << c.Pitch << " Hz";
}

// A steady design (wave 0 = wave 1) of one shape at 48 kHz: every harmonic
// up to 20 kHz within 60 dB of the fundamental at its true level, where the
// level of harmonic k is that of the curve's Fourier series, scaled by the
// sound's gain; above 20 kHz the resampler's transition band may take its
// share. Nothing between the harmonics. Each pitch divides the rate, so one
// second from the steady middle of the sound holds whole periods, and a
// plain transform of it sees each harmonic in one bin and nothing leaks.
struct SoundSpectrum : ::testing::TestWithParam<THarmonicCase> {
  // Nodes at whole X, none sharing one, ends at one level: the curve has
  // neither a step nor a corner between samples of a period rendered at
  // 301 x 4,096 points, whose transform then gives its Fourier series to a
  // few parts in 10^9 (the trapezoid rule's error, which falls as the square
  // of the spacing).
  static std::vector<TNodeValues> Shape(const std::string& name) {
    if (name == "square")
      return {{0, 27, 0}, {149, 21, -2}, {150, -27, 0}, {299, -21, -2}, {300, 27, 0}};
    return {{0, -27, 0}, {299, 27, 2.5}, {300, -27, 0}};
  }
};

TEST_P(SoundSpectrum, HarmonicsAreTheCurvesOwn) {
  const THarmonicCase& c = GetParam();
  const std::vector<TNodeValues> shape = Shape(c.Shape);
  TNodeList wave0(static_cast<int>(shape.size())), wave1(static_cast<int>(shape.size()));
  wave0.SetValues(shape);
  wave1.SetValues(shape);
  const TSound sound = RenderSound(wave0, wave1, {48000, c.Pitch, 1.5});
  constexpr std::size_t from = 12000, size = 48000;
  ASSERT_EQ(sound.Samples.size(), from + size + 12000);
  const std::vector<double> level = Magnitudes(
      std::vector<double>(sound.Samples.begin() + from, sound.Samples.begin() + from + size));

  constexpr int dense = 301 * 4096;
  std::vector<double> period(dense);
  wave0.RenderPeriod(period.data(), dense);
  const std::vector<double> series = Magnitudes(period);
  // A harmonic of amplitude a gives a bin of a x size / 2; the series' bins
  // are those of one period at full scale 32767 and dense points.
  const double scale = sound.Gain * size / 32767 / dense;
  const auto pitch = static_cast<std::size_t>(c.Pitch);

  double worstDb = 0;
  int checked = 0;
  for (std::size_t k = 1; k * pitch <= 20000; ++k) {
    if (series[k] < 1e-3 * series[1]) continue;
    const double deviation = 20 * std::log10(level[k * pitch] / (series[k] * scale));
    EXPECT_LT(std::fabs(deviation), 0.01) << "harmonic " << k;
    worstDb = std::max(worstDb, std::fabs(deviation));
    ++checked;
  }
  EXPECT_GE(checked, std::min<int>(20, 20000 / static_cast<int>(pitch)));
  double between = 0;
  std::size_t at = 0;
  for (std::size_t bin = 1; bin < level.size(); ++bin) {
    if (bin % pitch != 0 && level[bin] > between) {
      between = level[bin];
      at = bin;
    }
  }
  const double betweenDb = 20 * std::log10(between / level[pitch]);
  EXPECT_LT(betweenDb, -100) << "at " << at << " Hz";
  RecordProperty("worst_harmonic_deviation_dB", Figure(worstDb));
  RecordProperty("loudest_between_harmonics_dB", Figure(betweenDb));
}

INSTANTIATE_TEST_SUITE_P(Cases, SoundSpectrum,
                         ::testing::Values(THarmonicCase{"square", 20},
                                           THarmonicCase{"square", 250},
                                           THarmonicCase{"square", 2000},
                                           THarmonicCase{"square", 8000}, THarmonicCase{"saw", 20},
                                           THarmonicCase{"saw", 250}, THarmonicCase{"saw", 2000},
                                           THarmonicCase{"saw", 8000}));

// Square edges ring above full scale once band-limited: the whole sound is
// scaled down to full scale, and standard error says so.
TEST_F(Sound, APeakAboveFullScaleIsScaledDownAndSaid) {
  for (TNodeList* wave : {&Wave0, &Wave1}) {
    wave->SetX(2, 1);
    wave->SetY(2, 27);
    wave->SetX(3, 150);
    wave->SetY(3, 27);
    wave->SetX(4, 151);
    wave->SetY(4, -27);
    wave->SetY(5, -27);
  }
  Save("square.vlx");
  for (const char* format : {"s16", "f32"}) {
    const TWavFile wav = Render({"--format", format, "--seconds", "0.5"}, "square.vlx");
    const double peak =
        std::accumulate(wav.Samples.begin(), wav.Samples.end(), 0.0,
                        [](double m, double v) { return std::max(m, std::fabs(v)); });
    EXPECT_LE(peak, 1.0) << format;
    EXPECT_GT(peak, 0.999) << format;
    const std::string err = Err.str();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("scaled down"), std::string::npos) << err;
    EXPECT_NE(err.find("out.wav"), std::string::npos) << err;
  }
}

TEST_F(Sound, WrongUsageExits2AndWritesNothing) {
  const std::string d = Path("d.vlx"), o = Path("o.wav");
  const std::vector<std::string> wrong[] = {{"--rate", "7999"},
                                            {"--rate", "192001"},
                                            {"--rate", "48k"},
                                            {"--rate", "44100.5"},
                                            {"--pitch", "0"},
                                            {"--pitch", "-440"},
                                            {"--pitch", "9.99"},
                                            {"--pitch", "20001"},
                                            {"--pitch", "4000", "--rate", "8000"},
                                            {"--pitch", "nan"},
                                            {"--pitch", "inf"},
                                            {"--pitch", "440Hz"},
                                            {"--pitch", "1e3"},
                                            {"--note", "H4"},
                                            {"--note", "A"},
                                            {"--note", "C##4"},
                                            {"--note", "A10"},
                                            {"--note", "C-2"},
                                            {"--pitch", "440", "--note", "A4"},
                                            {"--note", "A4", "--note", "A4"},
                                            {"--seconds", "0"},
                                            {"--seconds", "-1"},
                                            {"--seconds", "60.01"},
                                            {"--seconds", "0.005"},
                                            {"--seconds", "two"},
                                            {"--format", "s8"},
                                            {"--format", "S24"},
                                            {"--format"},
                                            {"--frame-size", "2048"},
                                            {"--size", "64x64"},
                                            {"--wavetable"}};
  for (std::vector<std::string> args : wrong) {
    const std::string shown = args[0] + " " + (args.size() > 1 ? args[1] : "");
    args.push_back(d);
    args.push_back(o);
    EXPECT_EQ(Run(args), 2) << shown;
    EXPECT_EQ(Err.str().rfind("usage: ", 0), 0u) << shown << ": " << Err.str();
  }
  // Sound options belong to --sound alone.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--rate", "48000", d, o},
                                               {"--wavetable", "--pitch", "440", d, o},
                                               {"--png", "--seconds", "1", d, o},
                                               {"--format", "s16", d, o}}) {
    EXPECT_EQ(RunRender(args, Out, Err), 2) << args[0];
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"d.vlx"});
  // The bounds themselves are fine.
  EXPECT_EQ(Run({"--rate", "8000", "--pitch", "3999.9", "--seconds", "0.1", d, o}), 0) << Err.str();
  EXPECT_EQ(Run({"--rate", "8000", "--pitch", "10", "--seconds", "60", d, o}), 0) << Err.str();
  EXPECT_EQ(Run({"--rate", "192000", "--pitch", "20000", "--seconds", "0.0001", d, o}), 0)
      << Err.str();
}

// Python's wave module (16- and 24-bit PCM) and sox read the files as written.
TEST_F(Sound, OtherReadersAgree) {
  if (std::system("python3 -c 'import wave' >/dev/null 2>&1 && command -v soxi >/dev/null") != 0) {
    GTEST_SKIP() << "python3 with its wave module, or sox, is not available";
  }
  const auto output = [this](const std::string& command) {
    EXPECT_EQ(std::system((command + " > " + Path("said.txt")).c_str()), 0) << command;
    const Bytes said = ReadBytes(Path("said.txt"));
    return std::string(said.begin(), said.end());
  };
  const struct {
    const char* Format;
    const char* Python;
    const char* Sox;
  } cases[] = {{"s16", "1 2 44100 22050\n", "44100 1 22050 16 Signed Integer PCM\n"},
               {"s24", "1 3 44100 22050\n", "44100 1 22050 24 Signed Integer PCM\n"},
               {"f32", nullptr, "44100 1 22050 32 Floating Point PCM\n"}};
  for (const auto& c : cases) {
    Render({"--format", c.Format, "--rate", "44100", "--seconds", "0.5"});
    const Bytes file = ReadBytes(Path("out.wav"));
    const std::string wav = Path("out.wav");
    if (c.Python) {
      EXPECT_EQ(output("python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
                       "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), "
                       "w.getnframes()); open(sys.argv[2],'wb').write(w.readframes(w.getnframes()))"
                       "\" " +
                       wav + " " + Path("frames.raw")),
                c.Python);
      EXPECT_EQ(ReadBytes(Path("frames.raw")), Bytes(file.begin() + 44, file.end())) << c.Format;
    }
    std::string sox;
    for (const char* field : {"-r", "-c", "-s", "-b", "-e"}) {
      sox += output(std::string("soxi ") + field + " " + wav);
    }
    std::replace(sox.begin(), sox.end() - 1, '\n', ' ');
    EXPECT_EQ(sox, c.Sox) << c.Format;
  }
}

TEST(NotePitch, EqualTemperamentFromA4) {
  const struct {
    const char* Name;
    double Pitch;
  } notes[] = {{"A4", 440},         {"A3", 220},          {"a3", 220},         {"A0", 27.5},
               {"C4", 261.625565},  {"C#4", 277.182631},  {"Db4", 277.182631}, {"B#3", 261.625565},
               {"Cb4", 246.941651}, {"G9", 12543.853951}, {"C-1", 8.175799},   {"E2", 82.406889}};
  for (const auto& note : notes) {
    const auto pitch = NotePitch(note.Name);
    ASSERT_TRUE(pitch) << note.Name;
    EXPECT_NEAR(*pitch, note.Pitch, 1e-6) << note.Name;
  }
  for (const char* name : {"", "H4", "A", "#4", "A#", "C##4", "Ab#4", "A4x", "A10", "A-2", "A 4"}) {
    EXPECT_FALSE(NotePitch(name)) << name;
  }
}

}  // namespace
