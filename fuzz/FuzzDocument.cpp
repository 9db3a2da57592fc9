// Arbitrary bytes as a design document: the reader must give exactly the
// outcome and the design the bytes call for, leave the lists alone otherwise,
// and an accepted design must render finitely and survive a save and a read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Document.h"
#include "FuzzSupport.h"

namespace {

void RequireUnchanged(const TNodeList& wave, const TNodeList& before, const char* context) {
  Require(CompareLists(wave, before), context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TFuzzDir& dir = TFuzzDir::Get();
  static const std::string input = dir.Path("input.vlx");
  static const std::string saved = dir.Path("saved.vlx");
  Require(WriteBytes(input, data, size) ? "" : "cannot write " + input, "setup");

  auto wave0 = std::make_unique<TNodeList>();
  auto wave1 = std::make_unique<TNodeList>();
  LoadDefaultDesign(*wave0, *wave1);
  const TNodeList* lists[2] = {wave0.get(), wave1.get()};
  std::string reason;
  const TReadOutcome outcome = ReadDocument(input, wave0, wave1, &reason);
  const TExpectedDesign expected = ExpectDocument(data, size);
  if (outcome != expected.Outcome) {
    Require(std::string(OutcomeName(outcome)) + " where " + OutcomeName(expected.Outcome) +
                " was due (" + reason + ")",
            "ReadDocument");
  }

  if (outcome != TReadOutcome::Accepted) {
    Require(reason.empty() ? "no reason given" : "", "ReadDocument");
    Require(wave0.get() != lists[0] || wave1.get() != lists[1] ? "the lists were replaced" : "",
            "refused document");
    TNodeList default0;
    TNodeList default1;
    LoadDefaultDesign(default0, default1);
    RequireUnchanged(*wave0, default0, "refused document, wave 0");
    RequireUnchanged(*wave1, default1, "refused document, wave 1");
    return 0;
  }

  Require(CheckList(*wave0), "read wave 0");
  Require(CheckList(*wave1), "read wave 1");
  Require(CheckValues(*wave0, expected.Waves[0]), "read wave 0");
  Require(CheckValues(*wave1, expected.Waves[1]), "read wave 1");
  Require(CheckRendering(*wave0, *wave1), "rendering");

  Require(WriteDocument(saved, *wave0, *wave1) == TWriteOutcome::Written ? "" : "not written",
          "WriteDocument");
  const auto count = static_cast<std::int32_t>(expected.Waves[0].size());
  const auto written = ReadBytes(saved);
  Require(written == EncodeDocument(count, expected.Waves[0], expected.Waves[1])
              ? ""
              : "the saved bytes are not the design's document",
          "WriteDocument");

  auto again0 = std::make_unique<TNodeList>();
  auto again1 = std::make_unique<TNodeList>();
  Require(ReadDocument(saved, again0, again1) == TReadOutcome::Accepted ? "" : "not accepted",
          "reading the saved document");
  Require(CompareLists(*again0, *wave0), "saved and read wave 0");
  Require(CompareLists(*again1, *wave1), "saved and read wave 1");

  // A save leaves no temporary file behind.
  const std::vector<std::string> files = {"input.vlx", "saved.vlx"};
  Require(ListDirectory(dir.RootPath()) == files ? "" : "stray files in " + dir.RootPath(),
          "WriteDocument");
  return 0;
}
