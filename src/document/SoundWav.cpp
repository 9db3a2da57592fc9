#include "SoundWav.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Wav.h"

namespace {

int BytesOf(TSampleFormat format) {
  return format == TSampleFormat::S16 ? 2 : format == TSampleFormat::S24 ? 3 : 4;
}

double WithinFullScale(double sample) {
  return std::clamp(std::isfinite(sample) ? sample : 0.0, -1.0, 1.0);
}

// Full scale maps to the largest positive step, so +1 and -1 stay symmetric.
std::int32_t Pcm(double sample, std::int32_t top) {
  return static_cast<std::int32_t>(std::lround(WithinFullScale(sample) * top));
}

std::vector<unsigned char> Encode(const std::vector<double>& samples, TSampleFormat format) {
  const auto bytes = static_cast<std::size_t>(BytesOf(format));
  std::vector<unsigned char> out(samples.size() * bytes);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::uint32_t word = 0;
    switch (format) {
      case TSampleFormat::S16:
        word = static_cast<std::uint32_t>(Pcm(samples[i], 32767));
        break;
      case TSampleFormat::S24:
        word = static_cast<std::uint32_t>(Pcm(samples[i], 8388607));
        break;
      case TSampleFormat::F32: {
        const auto value = static_cast<float>(WithinFullScale(samples[i]));
        std::memcpy(&word, &value, sizeof word);
        break;
      }
    }
    for (std::size_t b = 0; b < bytes; ++b)
      out[i * bytes + b] = static_cast<unsigned char>(word >> (8 * b));
  }
  return out;
}

}  // namespace

std::optional<TSampleFormat> SampleFormatNamed(std::string_view name) {
  if (name == "s16") return TSampleFormat::S16;
  if (name == "s24") return TSampleFormat::S24;
  if (name == "f32") return TSampleFormat::F32;
  return std::nullopt;
}

TWriteOutcome WriteSoundWav(const std::string& path, const std::vector<double>& samples, int rate,
                            TSampleFormat format) {
  const std::vector<unsigned char> data = Encode(samples, format);
  const bool pcm = format != TSampleFormat::F32;
  // A chunk of odd size is followed by one pad byte, which the RIFF size counts.
  const std::size_t pad = data.size() % 2;
  const std::size_t riff = 4 + (8 + (pcm ? 16 : 18)) + (pcm ? 0 : 8 + 4) + 8 + data.size() + pad;
  if (riff > UINT32_MAX) return TWriteOutcome::WriteFailed;
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;

  std::FILE* out = file.File();
  WriteMonoHead(out, static_cast<std::uint32_t>(riff), static_cast<std::uint32_t>(rate),
                pcm ? 1 : 3, 8 * BytesOf(format));
  if (!pcm) {
    WriteDWord(FourCC("fact"), out);
    WriteDWord(4, out);
    WriteDWord(static_cast<std::uint32_t>(samples.size()), out);
  }
  WriteDWord(FourCC("data"), out);
  WriteDWord(static_cast<std::uint32_t>(data.size()), out);
  if (std::fwrite(data.data(), 1, data.size(), out) != data.size()) {
    return TWriteOutcome::WriteFailed;
  }
  if (pad && WriteByte(0, out) != 1) return TWriteOutcome::WriteFailed;
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}
