
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "Nodes.h"
#include "Sound.h"
#include "SoundWav.h"
#include "Wav.h"
#include "WavetableWav.h"

namespace {

// A dense design in which every node moves: wave 0 a sine over evenly spread
// nodes, wave 1 a square over the same nodes squeezed to the right; with
// crossing, every 50th node goes to the mirrored place and passes about half
// of the others. No tension, like the default design.
void LoadDenseDesign(TNodeList& wave0, TNodeList& wave1, bool crossing) {
  const int count = wave0.Count();
  for (int k = 2; k < count; ++k) {
    const double x = 300.0 * (k - 1) / (count - 1);
    wave0.SetX(k, x);
    wave1.SetX(k, crossing && k % 50 == 0 ? 300 - x : x * 0.9 + 15);
    wave0.SetY(k, 27 * std::sin(x / 300 * 2 * M_PI));
    wave1.SetY(k, x < 150 ? 27 : -27);
  }
}

// Every node anywhere in both waves, every segment curved: the nodes cross
// each other about count² / 4 times in all.
void LoadScatteredDesign(TNodeList& wave0, TNodeList& wave1) {
  std::mt19937 random(1);
  std::uniform_real_distribution<double> x(1, 299), y(-27, 27), t(-20, 20);
  for (int k = 2; k < wave0.Count(); ++k) {
    wave0.SetX(k, x(random));
    wave1.SetX(k, x(random));
    wave0.SetY(k, y(random));
    wave1.SetY(k, y(random));
    wave0.SetT(k, t(random));
    wave1.SetT(k, t(random));
  }
}

void Morph(benchmark::State& state, const TNodeList& wave0, const TNodeList& wave1) {
  std::vector<double> out(kMorphSamples);
  for (auto _ : state) {
    RenderTransition(out.data(), wave0, wave1, kPeriodSamples, kMorphPeriods);
    benchmark::DoNotOptimize(out.data());
  }
}

void RenderPeriodDefault(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  std::vector<double> out(kPeriodSamples);
  for (auto _ : state) {
    wave0.RenderPeriod(out.data(), kPeriodSamples);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(RenderPeriodDefault);

void RenderTransitionDefault(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  Morph(state, wave0, wave1);
}
BENCHMARK(RenderTransitionDefault);

void RenderTransitionDense(benchmark::State& state) {
  TNodeList wave0(static_cast<int>(state.range(0))), wave1(static_cast<int>(state.range(0)));
  LoadDenseDesign(wave0, wave1, false);
  Morph(state, wave0, wave1);
}
BENCHMARK(RenderTransitionDense)->Arg(1000);

void RenderTransitionDenseCrossing(benchmark::State& state) {
  TNodeList wave0(static_cast<int>(state.range(0))), wave1(static_cast<int>(state.range(0)));
  LoadDenseDesign(wave0, wave1, true);
  Morph(state, wave0, wave1);
}
BENCHMARK(RenderTransitionDenseCrossing)->Arg(1000);

// Curved segments cost an exponential per sample whatever the node count:
// the default design with tensions, for comparison with the scattered one.
void RenderTransitionDefaultCurved(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  for (int k = 1; k <= 4; ++k) {
    wave0.SetT(k, 5 - 2 * k);
    wave1.SetT(k, 2 * k - 5);
  }
  Morph(state, wave0, wave1);
}
BENCHMARK(RenderTransitionDefaultCurved);

void RenderTransitionScattered(benchmark::State& state) {
  TNodeList wave0(static_cast<int>(state.range(0))), wave1(static_cast<int>(state.range(0)));
  LoadScatteredDesign(wave0, wave1);
  Morph(state, wave0, wave1);
}
BENCHMARK(RenderTransitionScattered)->Arg(1000);

void WavExport(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave1.SetY(3, 27);
  const auto path = std::filesystem::temp_directory_path() /
                    ("vlx-bench-" + std::to_string(std::random_device()()) + ".wav");
  for (auto _ : state) {
    if (WriteWav(path.string(), wave0, wave1) != TWriteOutcome::Written) {
      state.SkipWithError("export failed");
      break;
    }
  }
  std::filesystem::remove(path);
}
BENCHMARK(WavExport);

// The same design as 100 frames of 2048 samples, 18 times as many as the WAV
// export's.
void WavetableExport(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave1.SetY(3, 27);
  const auto path = std::filesystem::temp_directory_path() /
                    ("vlx-bench-" + std::to_string(std::random_device()()) + "-table.wav");
  for (auto _ : state) {
    if (WriteWavetableWav(path.string(), wave0, wave1) != TWriteOutcome::Written) {
      state.SkipWithError("export failed");
      break;
    }
  }
  std::filesystem::remove(path);
}
BENCHMARK(WavetableExport);

// The same design as a sound of 2 s at 48 kHz, written as 24-bit PCM, at
// the pitch of the argument in Hz or, for 0, the window's: at 261.06 Hz
// 522 periods of 91 harmonics each, summed at 256 points; at 20 Hz 40 of
// 1,199 at 4,096; at 8,000 Hz 16,000 of 2 at 8.
void SoundExport(benchmark::State& state) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave1.SetY(3, 27);
  const auto path = std::filesystem::temp_directory_path() /
                    ("vlx-bench-" + std::to_string(std::random_device()()) + "-sound.wav");
  TSoundSpec spec;
  if (state.range(0) > 0) spec.Pitch = static_cast<double>(state.range(0));
  for (auto _ : state) {
    const TSound sound = RenderSound(wave0, wave1, spec);
    if (WriteSoundWav(path.string(), sound.Samples, spec.Rate, TSampleFormat::S24) !=
        TWriteOutcome::Written) {
      state.SkipWithError("export failed");
      break;
    }
  }
  std::filesystem::remove(path);
}
BENCHMARK(SoundExport)->Arg(0)->Arg(20)->Arg(8000);

// The default sound of the dense design (no file): each period's series
// costs its harmonics times its segments.
void SoundDense(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TNodeList wave0(count), wave1(count);
  LoadDenseDesign(wave0, wave1, false);
  for (auto _ : state) benchmark::DoNotOptimize(RenderSound(wave0, wave1, TSoundSpec()));
}
BENCHMARK(SoundDense)->Arg(1000);

}  // namespace
