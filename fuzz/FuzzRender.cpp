// Arbitrary bytes as the design given to vorlantix-render: a design that reads
// gives a whole WAV file and nothing on the streams; anything else gives exit
// status 1, one line naming the design, and an output file as it was. The
// same design is drawn as a picture or a thumbnail, or rendered as a short
// sound, too, with the same answer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Render.h"

namespace {

constexpr std::size_t kWavBytes = 22860;

// Whether an output file already exists is chosen by the input's bytes, so a
// saved input replays the same way.
std::uint32_t Hash(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

bool OutputExists(const std::uint8_t* data, std::size_t size) {
  return Hash(data, size) & 1;
}

// A small picture, a thumbnail or a short sound of the design (chosen by the
// input's bytes): exit 0 and a PNG, or a WAV file of 400 16-bit samples,
// where the morph rendered; exit 1 and no file where it was refused. A sound
// may say on standard error that it was scaled down.
void CheckOtherModes(const std::uint8_t* data, std::size_t size, const std::string& design,
                     int morphStatus) {
  static const std::string picture = TFuzzDir::Get().Path("picture.png");
  static const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  static const std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0x44, 0x03, 0, 0, 'W', 'A'};
  std::vector<std::string> args;
  switch (Hash(data, size) >> 1 & 3) {
    case 0:
      args = {"--thumbnail", "32"};
      break;
    case 1:
      args = {"--sound", "--rate", "8000", "--seconds", "0.05", "--format", "s16"};
      break;
    default:
      args = {"--png", "--size", "64x64"};
  }
  const bool sound = args[0] == "--sound";
  args.push_back(design);
  args.push_back(picture);
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunRender(args, out, err);
  const auto result = ReadBytes(picture);
  std::remove(picture.c_str());
  Require(status == morphStatus
              ? ""
              : args[0] + " exit status " + std::to_string(status) + ": " + err.str(),
          "vorlantix-render");
  const std::vector<std::uint8_t>& signature = sound ? riff : png;
  if (status == 0) {
    Require(result && result->size() > signature.size() &&
                    std::equal(signature.begin(), signature.end(), result->begin())
                ? ""
                : args[0] + " wrote no such file",
            "vorlantix-render");
    Require(!sound || result->size() == 44 + 800
                ? ""
                : "a sound of " + std::to_string(result->size()) + " bytes",
            "vorlantix-render");
    Require(err.str().empty() || (sound && err.str().find("scaled down") != std::string::npos)
                ? ""
                : args[0] + " exit 0 with a message: " + err.str(),
            "vorlantix-render");
  } else {
    Require(result ? args[0] + " created a file for a refused design" : "", "vorlantix-render");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TFuzzDir& dir = TFuzzDir::Get();
  static const std::string design = dir.Path("design.vlx");
  static const std::string output = dir.Path("morph.wav");
  static const std::vector<std::uint8_t> header = WavHeader();
  static const std::vector<std::uint8_t> previous = {'n', 'o', 't', ' ', 'a', ' ', 'W', 'A', 'V'};
  Require(WriteBytes(design, data, size) ? "" : "cannot write " + design, "setup");
  const bool existed = OutputExists(data, size);
  if (existed) {
    Require(WriteBytes(output, previous.data(), previous.size()) ? "" : "cannot write " + output,
            "setup");
  } else {
    std::remove(output.c_str());
  }

  std::ostringstream out;
  std::ostringstream err;
  const int status = RunRender({design, output}, out, err);
  const TReadOutcome expected = ExpectDocument(data, size).Outcome;
  const auto result = ReadBytes(output);
  Require(out.str().empty() ? "" : "wrote to standard output", "vorlantix-render");

  if (status == 0) {
    Require(expected == TReadOutcome::Accepted ? "" : "rendered a document that must be refused",
            "vorlantix-render");
    Require(err.str().empty() ? "" : "exit 0 with a message: " + err.str(), "vorlantix-render");
    Require(result ? "" : "exit 0 without an output file", "vorlantix-render");
    Require(
        result->size() == kWavBytes ? "" : "output of " + std::to_string(result->size()) + " bytes",
        "vorlantix-render");
    Require(std::equal(header.begin(), header.end(), result->begin()) ? "" : "wrong WAV header",
            "vorlantix-render");
  } else if (status == 1) {
    Require(expected != TReadOutcome::Accepted ? "" : "refused a readable document: " + err.str(),
            "vorlantix-render");
    if (existed) {
      Require(result == previous ? "" : "the existing output was changed", "vorlantix-render");
    } else {
      Require(result ? "an output file was created" : "", "vorlantix-render");
    }
    const std::string message = err.str();
    const bool oneLine = !message.empty() && message.find('\n') == message.size() - 1;
    Require(oneLine ? "" : "not one line on standard error: " + message, "vorlantix-render");
    Require(message.find("'" + design + "'") != std::string::npos
                ? ""
                : "the design is not named: " + message,
            "vorlantix-render");
  } else {
    Require("exit status " + std::to_string(status), "vorlantix-render");
  }

  CheckOtherModes(data, size, design, status);

  std::vector<std::string> files = {"design.vlx"};
  if (result) files.push_back("morph.wav");
  Require(ListDirectory(dir.RootPath()) == files ? "" : "stray files in " + dir.RootPath(),
          "vorlantix-render");
  return 0;
}
