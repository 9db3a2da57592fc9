#include "Wav.h"

#include <vector>

void WriteMonoHead(std::FILE* out, std::uint32_t riffBytes, std::uint32_t sampleRate, int formatTag,
                   int bitsPerSample) {
  const bool pcm = formatTag == 1;
  const auto frameBytes = static_cast<std::uint32_t>(bitsPerSample / 8);
  WriteDWord(FourCC("RIFF"), out);
  WriteDWord(riffBytes, out);
  WriteDWord(FourCC("WAVE"), out);
  WriteDWord(FourCC("fmt "), out);
  WriteDWord(pcm ? 16 : 18, out);
  WriteWord(formatTag, out);
  WriteWord(1, out);  // mono
  WriteDWord(sampleRate, out);
  WriteDWord(sampleRate * frameBytes, out);  // bytes a second
  WriteWord(static_cast<std::int32_t>(frameBytes), out);
  WriteWord(bitsPerSample, out);
  if (!pcm) WriteWord(0, out);  // no extension
}

void WriteMonoPcm16Head(std::FILE* out, std::uint32_t riffBytes, std::uint32_t sampleRate) {
  WriteMonoHead(out, riffBytes, sampleRate, 1, 16);
}

TWriteOutcome WriteWav(const std::string& path, const TNodeList& wave0, const TNodeList& wave1) {
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;
  std::vector<double> samples(kMorphSamples);
  RenderTransition(samples.data(), wave0, wave1, kPeriodSamples, kMorphPeriods);

  std::FILE* out = file.File();
  constexpr std::uint32_t dataSize = 2 * kMorphSamples;
  WriteMonoPcm16Head(out, dataSize + 52, kWavSampleRate);
  WriteDWord(FourCC("vrlx"), out);
  WriteDWord(8, out);
  WriteWord(kPeriodSamples, out);
  WriteWord(kMorphPeriods, out);
  // Not read here; the receiving program expects these two values.
  WriteWord(0, out);
  WriteWord(10, out);
  WriteDWord(FourCC("data"), out);
  WriteDWord(dataSize, out);
  for (double sample : samples) {
    if (WriteWord(SampleToPcm(sample), out) != 1) return TWriteOutcome::WriteFailed;
  }
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}
