#include "WavetableWav.h"

#include <cstdint>

#include "Wav.h"

std::string WavetableClmText(int frameSize) {
  std::string text = "<!>" + std::to_string(frameSize) + " 10000000 wavetable (Vorlantix)";
  // Chunks of even size are read by every WAV reader, padded or not.
  if (text.size() % 2) text.push_back('\0');
  return text;
}

TWriteOutcome WriteWavetableWav(const std::string& path, const TNodeList& wave0,
                                const TNodeList& wave1, int frameSize) {
  const std::vector<std::int16_t> samples = RenderWavetable(wave0, wave1, frameSize);
  const std::string clm = WavetableClmText(frameSize);
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;

  std::FILE* out = file.File();
  const auto clmSize = static_cast<std::uint32_t>(clm.size());
  const auto dataSize = static_cast<std::uint32_t>(2 * samples.size());
  WriteMonoPcm16Head(out, 4 + (8 + 16) + (8 + clmSize) + (8 + dataSize), kWavetableSampleRate);
  WriteDWord(FourCC("clm "), out);
  WriteDWord(clmSize, out);
  std::fwrite(clm.data(), 1, clm.size(), out);
  WriteDWord(FourCC("data"), out);
  WriteDWord(dataSize, out);
  if (!WritePcm16(samples, out)) return TWriteOutcome::WriteFailed;
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}
