#include "Render.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <optional>
#include <string_view>

#include "Document.h"
#include "Picture.h"
#include "Sound.h"
#include "SoundWav.h"
#include "SurgeWavetable.h"
#include "Wav.h"
#include "WavetableWav.h"

namespace {

constexpr const char* kUsage =
    "usage: vorlantix-render DESIGN.vlx OUT.wav\n"
    "       vorlantix-render --wavetable [--frame-size N] DESIGN.vlx OUT.wav\n"
    "       vorlantix-render --wt [--frame-size N] DESIGN.vlx OUT.wt\n"
    "       vorlantix-render --png [--size WxH] DESIGN.vlx OUT.png\n"
    "       vorlantix-render --thumbnail SIZE DESIGN.vlx OUT.png\n"
    "       vorlantix-render --sound [--rate R] [--pitch HZ | --note NAME]\n"
    "                        [--seconds S] [--format s16|s24|f32] DESIGN.vlx OUT.wav\n";

constexpr const char* kHelp =
    "\n"
    "Renders a Vorlantix design, used exactly as stored.\n"
    "\n"
    "  (no mode)    the morph, 100 periods of 114 samples from wave 0 to wave 1,\n"
    "               as a 16-bit mono WAV file at 29761 Hz, byte for byte as the\n"
    "               program's own export\n"
    "  --wavetable  the morph as a wavetable: 100 frames of 2048 samples (frame 0\n"
    "               is wave 0, frame 99 wave 1) in a 16-bit mono WAV file with a\n"
    "               \"clm \" chunk, as wavetable synthesizers read it\n"
    "  --wt         the same frames as a Surge XT wavetable (.wt)\n"
    "  --frame-size N\n"
    "               samples per frame for --wavetable and --wt: a power of two\n"
    "               from 256 to 4096 (default 2048)\n"
    "  --png        a picture: wave 0, the morph's periods stacked, wave 1\n"
    "  --size WxH   the picture's size, 64 to 4096 pixels a side (default 640x600)\n"
    "  --thumbnail SIZE\n"
    "               the two waves in a SIZE x SIZE PNG (16 to 4096), for file\n"
    "               managers\n"
    "  --sound      the morph as a sound for any project: spread evenly over S\n"
    "               seconds at pitch HZ, band-limited and resampled to R samples a\n"
    "               second; the first period is wave 0, the last whole one wave 1\n"
    "  --rate R     8000 to 192000 (default 48000)\n"
    "  --pitch HZ   the fundamental, 10 to 20000 and below R/2 (default 261.06,\n"
    "               the window's own, 29761 / 114)\n"
    "  --note NAME  the fundamental as a note: A4 is 440 Hz, A3 220, C#4 277.18\n"
    "  --seconds S  the length, up to 60 (default 2), at least two periods\n"
    "  --format F   s16, s24 (default) or f32: 16- or 24-bit PCM, or 32-bit float\n"
    "\n"
    "A sound whose band-limited peak would pass full scale is scaled down as a\n"
    "whole, and standard error says by how much.\n"
    "\n"
    "The output is replaced only when the whole file has been written, except\n"
    "that --thumbnail writes into an existing empty OUT.png itself: a file\n"
    "manager's thumbnail service creates that file and reads it back through a\n"
    "descriptor it holds. A write into it that fails empties it again.\n"
    "\n"
    "Exit status: 0 written; 1 the design cannot be read or is refused, or the\n"
    "output cannot be written; 2 wrong usage.\n";

enum class TMode { Morph, Wavetable, SurgeWavetable, Picture, Thumbnail, Sound };

struct TRequest {
  TMode Mode = TMode::Morph;
  int FrameSize = kWavetableFrameSize;
  int Width = kPictureWidth;
  int Height = kPictureHeight;
  int ThumbnailSize = 0;
  TSoundSpec Sound;
  TSampleFormat Format = TSampleFormat::S24;
  std::string Design;
  std::string Output;
};

bool LooksLikeOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

// A whole decimal number within [low, high], nothing else in the text.
std::optional<int> Number(std::string_view text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// A finite decimal number, nothing else in the text.
std::optional<double> Decimal(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<TRequest> Parse(const std::vector<std::string>& args) {
  TRequest request;
  bool modeGiven = false, frameSizeGiven = false, sizeGiven = false;
  bool rateGiven = false, pitchGiven = false, secondsGiven = false, formatGiven = false;
  std::vector<std::string> operands;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!LooksLikeOption(arg)) {
      operands.push_back(arg);
      continue;
    }
    const bool hasValue = i + 1 < args.size();
    if (arg == "--frame-size" && hasValue && !frameSizeGiven) {
      const auto size = Number(args[++i], kMinWavetableFrameSize, kMaxWavetableFrameSize);
      if (!size || !IsWavetableFrameSize(*size)) return std::nullopt;
      request.FrameSize = *size;
      frameSizeGiven = true;
    } else if (arg == "--size" && hasValue && !sizeGiven) {
      const std::string& value = args[++i];
      const std::size_t x = value.find('x');
      if (x == std::string::npos) return std::nullopt;
      const auto width =
          Number(std::string_view(value).substr(0, x), kMinPictureSide, kMaxPictureSide);
      const auto height =
          Number(std::string_view(value).substr(x + 1), kMinPictureSide, kMaxPictureSide);
      if (!width || !height) return std::nullopt;
      request.Width = *width;
      request.Height = *height;
      sizeGiven = true;
    } else if (arg == "--rate" && hasValue && !rateGiven) {
      const auto rate = Number(args[++i], kMinSoundRate, kMaxSoundRate);
      if (!rate) return std::nullopt;
      request.Sound.Rate = *rate;
      rateGiven = true;
    } else if ((arg == "--pitch" || arg == "--note") && hasValue && !pitchGiven) {
      const auto pitch = arg == "--pitch" ? Decimal(args[++i]) : NotePitch(args[++i]);
      if (!pitch) return std::nullopt;
      request.Sound.Pitch = *pitch;
      pitchGiven = true;
    } else if (arg == "--seconds" && hasValue && !secondsGiven) {
      const auto seconds = Decimal(args[++i]);
      if (!seconds) return std::nullopt;
      request.Sound.Seconds = *seconds;
      secondsGiven = true;
    } else if (arg == "--format" && hasValue && !formatGiven) {
      const auto format = SampleFormatNamed(args[++i]);
      if (!format) return std::nullopt;
      request.Format = *format;
      formatGiven = true;
    } else if (!modeGiven && (arg == "--wavetable" || arg == "--wt" || arg == "--png" ||
                              arg == "--thumbnail" || arg == "--sound")) {
      modeGiven = true;
      request.Mode = arg == "--wavetable" ? TMode::Wavetable
                     : arg == "--wt"      ? TMode::SurgeWavetable
                     : arg == "--png"     ? TMode::Picture
                     : arg == "--sound"   ? TMode::Sound
                                          : TMode::Thumbnail;
    } else {
      return std::nullopt;
    }
  }
  const bool wavetable = request.Mode == TMode::Wavetable || request.Mode == TMode::SurgeWavetable;
  if ((frameSizeGiven && !wavetable) || (sizeGiven && request.Mode != TMode::Picture)) {
    return std::nullopt;
  }
  const bool sound = request.Mode == TMode::Sound;
  if ((rateGiven || pitchGiven || secondsGiven || formatGiven) && !sound) return std::nullopt;
  if (sound && !IsSoundSpec(request.Sound)) return std::nullopt;
  if (request.Mode == TMode::Thumbnail) {
    if (operands.size() != 3) return std::nullopt;
    const auto size = Number(operands[0], kMinThumbnailSize, kMaxThumbnailSize);
    if (!size) return std::nullopt;
    request.ThumbnailSize = *size;
    operands.erase(operands.begin());
  }
  if (operands.size() != 2) return std::nullopt;
  request.Design = operands[0];
  request.Output = operands[1];
  return request;
}

// gain receives the factor a sound was scaled down by, 1 for everything else.
TWriteOutcome Write(const TRequest& request, const TNodeList& wave0, const TNodeList& wave1,
                    double& gain) {
  gain = 1;
  switch (request.Mode) {
    case TMode::Sound: {
      const TSound sound = RenderSound(wave0, wave1, request.Sound);
      gain = sound.Gain;
      return WriteSoundWav(request.Output, sound.Samples, request.Sound.Rate, request.Format);
    }
    case TMode::Morph:
      return WriteWav(request.Output, wave0, wave1);
    case TMode::Wavetable:
      return WriteWavetableWav(request.Output, wave0, wave1, request.FrameSize);
    case TMode::SurgeWavetable:
      return WriteSurgeWavetable(request.Output, wave0, wave1, request.FrameSize);
    case TMode::Picture:
      return WritePng(request.Output, DrawDesign(wave0, wave1, request.Width, request.Height));
    case TMode::Thumbnail:
      // A thumbnail service may hold the empty output open and read it
      // through that descriptor.
      return WritePng(request.Output, DrawThumbnail(wave0, wave1, request.ThumbnailSize),
                      TPngPlace::InPlaceIfEmpty);
  }
  return TWriteOutcome::WriteFailed;
}

int Render(const TRequest& request, std::ostream& err) {
  auto wave0 = std::make_unique<TNodeList>();
  auto wave1 = std::make_unique<TNodeList>();
  std::string reason;
  if (ReadDocument(request.Design, wave0, wave1, &reason) != TReadOutcome::Accepted) {
    err << "vorlantix-render: '" << request.Design << "': " << reason << "\n";
    return 1;
  }
  std::error_code error;
  const bool existed = std::filesystem::exists(request.Output, error);
  double gain = 1;
  switch (Write(request, *wave0, *wave1, gain)) {
    case TWriteOutcome::Written:
      if (gain < 1) {
        err << "vorlantix-render: '" << request.Output << "': the sound would have peaked "
            << std::fixed << std::setprecision(2) << -20 * std::log10(gain)
            << " dB above full scale; it was scaled down by as much\n";
      }
      return 0;
    case TWriteOutcome::CannotCreate:
      err << "vorlantix-render: '" << request.Output << "': cannot create the file\n";
      return 1;
    case TWriteOutcome::WriteFailed:
      err << "vorlantix-render: '" << request.Output << "': writing failed, "
          << (existed ? "the file is unchanged" : "no file was created") << "\n";
      return 1;
    case TWriteOutcome::LeftIncomplete:
      err << "vorlantix-render: '" << request.Output
          << "': writing failed part way, the file is left incomplete\n";
      return 1;
  }
  return 1;
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage << kHelp;
    return 0;
  }
  const std::optional<TRequest> request = Parse(args);
  if (!request) {
    err << kUsage;
    return 2;
  }
  try {
    return Render(*request, err);
  } catch (const std::exception& e) {
    err << "vorlantix-render: " << e.what() << "\n";
    return 1;
  }
}
