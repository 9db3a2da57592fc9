// Arbitrary bytes as the design given to vorlantix-render: a design that reads
// gives a whole WAV file and nothing on the streams; anything else gives exit
// status 1, one line naming the design, and an output file as it was.
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
bool OutputExists(const std::uint8_t* data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash & 1;
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

  std::vector<std::string> files = {"design.vlx"};
  if (result) files.push_back("morph.wav");
  Require(ListDirectory(dir.RootPath()) == files ? "" : "stray files in " + dir.RootPath(),
          "vorlantix-render");
  return 0;
}
