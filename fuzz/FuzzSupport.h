#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Document.h"
#include "Nodes.h"

// What ReadDocument must make of a document's bytes, worked out from the
// bytes alone, independently of the reader.
struct TExpectedDesign {
  TReadOutcome Outcome = TReadOutcome::Refused;
  // The count field, when the header holds one.
  std::int32_t StoredCount = 0;
  // Both waves in index order, max(count, 2) nodes each; only when Accepted.
  std::vector<TNodeValues> Waves[2];
};

TExpectedDesign ExpectDocument(const std::uint8_t* data, std::size_t size);

// A document as the format lays it out: the header with the given version
// bytes and count, then the records of wave0 and of wave1 as given, whatever
// their number.
std::vector<std::uint8_t> EncodeDocument(std::int32_t count, const std::vector<TNodeValues>& wave0,
                                         const std::vector<TNodeValues>& wave1, int major = 1,
                                         int minor = 0);

const char* OutcomeName(TReadOutcome outcome);

// Each check returns an empty string when it holds, otherwise what is wrong.

// Index links, X links and the end nodes agree with each other; the X order
// visits every node once, in ascending (X, Index).
std::string CheckList(const TNodeList& list);
// The list holds exactly these values (bit for bit) in index order.
std::string CheckValues(const TNodeList& list, const std::vector<TNodeValues>& expected);
// Same values bit for bit and the same X order.
std::string CompareLists(const TNodeList& a, const TNodeList& b);
// Every sample of both displays, both periods and the morph is finite; the
// morph starts with wave 0's own period, and a morph of wave 1 into itself
// repeats wave 1's period.
std::string CheckRendering(const TNodeList& wave0, const TNodeList& wave1);

// Prints the problem with its context and aborts, so the fuzzer keeps the input.
void Require(const std::string& problem, const char* context);

bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size);
std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path);
// Sorted file names in a directory.
std::vector<std::string> ListDirectory(const std::string& path);

// A private directory made once per process and removed at exit, so runs in
// parallel never share a path and no input creates files elsewhere.
class TFuzzDir {
 public:
  static const TFuzzDir& Get();
  ~TFuzzDir();
  TFuzzDir(const TFuzzDir&) = delete;
  TFuzzDir& operator=(const TFuzzDir&) = delete;
  std::string Path(const std::string& name) const { return Root + "/" + name; }
  const std::string& RootPath() const { return Root; }

 private:
  TFuzzDir();
  std::string Root;
};

// The 60 bytes every export starts with, written out by hand rather than taken
// from the writer, so that a change to either shows.
std::vector<std::uint8_t> WavHeader();
