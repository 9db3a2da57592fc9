#include "SurgeWavetable.h"

#include <cstdint>

TWriteOutcome WriteSurgeWavetable(const std::string& path, const TNodeList& wave0,
                                  const TNodeList& wave1, int frameSize) {
  const std::vector<std::int16_t> samples = RenderWavetable(wave0, wave1, frameSize);
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;

  std::FILE* out = file.File();
  WriteDWord(FourCC("vawt"), out);
  WriteDWord(static_cast<std::uint32_t>(frameSize), out);
  WriteWord(kWavetableFrames, out);
  WriteWord(kSurgeInt16 | kSurgeFullRange, out);
  if (!WritePcm16(samples, out)) return TWriteOutcome::WriteFailed;
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}
