#include "FuzzSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kHeader = 10;
// The process's private directory once made, for Require to remove: an abort
// runs no destructor.
const std::string* CreatedRoot = nullptr;
constexpr std::size_t kRecord = 24;

std::uint64_t LittleEndianAt(const std::uint8_t* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

double DoubleAt(const std::uint8_t* bytes) {
  const std::uint64_t bits = LittleEndianAt(bytes, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool AllFinite(const std::vector<double>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](double s) { return std::isfinite(s); });
}

std::string Describe(const TNodeValues& v) {
  std::ostringstream text;
  text.precision(17);
  text << "(" << v.X << ", " << v.Y << ", " << v.T << ")";
  return text.str();
}

// Position of the first sample where a and b differ (as numbers), or -1.
long FirstDifference(const double* a, const double* b, int count) {
  for (int i = 0; i < count; ++i) {
    if (!(a[i] == b[i])) return i;
  }
  return -1;
}

std::string Mismatch(const char* what, long at, double got, double want) {
  std::ostringstream text;
  text.precision(17);
  text << what << " differs at sample " << at << ": " << got << " instead of " << want;
  return text.str();
}

}  // namespace

TExpectedDesign ExpectDocument(const std::uint8_t* data, std::size_t size) {
  TExpectedDesign expected;
  if (size < 4 || std::memcmp(data, "VLX ", 4) != 0 || size < 6) return expected;
  const int version = static_cast<std::int8_t>(data[4]) * 100 + static_cast<std::int8_t>(data[5]);
  if (version > 100) {
    expected.Outcome = TReadOutcome::NewerVersion;
    return expected;
  }
  if (size < kHeader) return expected;
  const auto count =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndianAt(data + 6, 4)));
  expected.StoredCount = count;
  if (count < 0 || count > kMaxDocumentNodes) return expected;
  const auto records = static_cast<std::size_t>(count);
  if (size != kHeader + 2 * kRecord * records) return expected;

  const std::size_t nodes = std::max<std::size_t>(records, 2);
  for (int w = 0; w < 2; ++w) {
    // The nodes a short count leaves unread keep what a fresh two-node list has.
    std::vector<TNodeValues> wave(nodes);
    wave[nodes - 1].X = 300;
    const std::uint8_t* base = data + kHeader + static_cast<std::size_t>(w) * kRecord * records;
    for (std::size_t k = 0; k < records; ++k) {
      const std::uint8_t* record = base + k * kRecord;
      const double x = DoubleAt(record);
      const double y = DoubleAt(record + 8);
      const double t = DoubleAt(record + 16);
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(t)) return expected;
      const bool interior = k > 0 && k + 1 < records;
      if (interior && (x < 0 || x > 300)) return expected;
      // The end nodes stay at 0 and 300 whatever their records say.
      if (k > 0 && k + 1 < nodes) wave[k].X = x;
      wave[k].Y = y;
      wave[k].T = t;
    }
    expected.Waves[w] = std::move(wave);
  }
  expected.Outcome = TReadOutcome::Accepted;
  return expected;
}

std::vector<std::uint8_t> EncodeDocument(std::int32_t count, const std::vector<TNodeValues>& wave0,
                                         const std::vector<TNodeValues>& wave1, int major,
                                         int minor) {
  std::vector<std::uint8_t> bytes = {
      'V', 'L', 'X', ' ', static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)};
  auto put = [&bytes](std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put(static_cast<std::uint32_t>(count), 4);
  for (const auto* wave : {&wave0, &wave1}) {
    for (const TNodeValues& v : *wave) {
      for (double value : {v.X, v.Y, v.T}) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        put(bits, 8);
      }
    }
  }
  return bytes;
}

const char* OutcomeName(TReadOutcome outcome) {
  switch (outcome) {
    case TReadOutcome::Accepted:
      return "Accepted";
    case TReadOutcome::CannotOpen:
      return "CannotOpen";
    case TReadOutcome::Refused:
      return "Refused";
    case TReadOutcome::NewerVersion:
      return "NewerVersion";
  }
  return "unknown";
}

std::string CheckList(const TNodeList& list) {
  if (!list.FirstByIndex || !list.LastByIndex || !list.FirstByX || !list.LastByX)
    return "a list end is missing";
  if (list.FirstByIndex != list.FirstByX || list.LastByIndex != list.LastByX)
    return "the start or end node is not at both ends of both orders";
  if (list.FirstByIndex->PrevByIndex || list.FirstByX->PrevByX || list.LastByIndex->NextByIndex ||
      list.LastByX->NextByX)
    return "a link leads past the end of the list";
  if (!SameBits(list.FirstByIndex->X, 0) || !SameBits(list.LastByIndex->X, 300))
    return "the start or end node has moved";

  // Bounded walks: a cycle must show up as a fault, not hang the fuzzer.
  const int limit = kMaxDocumentNodes + 2;
  int count = 0;
  const TNode* previous = nullptr;
  for (const TNode* node = list.FirstByIndex; node; node = node->NextByIndex) {
    if (++count > limit) return "the index order does not end";
    if (node->Index != count) return "node " + std::to_string(count) + " has a wrong Index";
    if (node->PrevByIndex != previous)
      return "index links disagree at node " + std::to_string(count);
    if (!(node->X >= 0 && node->X <= 300))
      return "node " + std::to_string(count) + " lies outside 0 to 300";
    previous = node;
  }
  if (previous != list.LastByIndex) return "the index order does not end at the last node";
  if (list.Count() != count) return "Count disagrees with the index order";

  std::vector<bool> seen(static_cast<std::size_t>(count) + 1);
  int visited = 0;
  previous = nullptr;
  for (const TNode* node = list.FirstByX; node; node = node->NextByX) {
    if (++visited > count) return "the X order visits more nodes than the list holds";
    if (node->Index < 1 || node->Index > count || seen[static_cast<std::size_t>(node->Index)])
      return "the X order visits node " + std::to_string(node->Index) + " twice or a foreign node";
    seen[static_cast<std::size_t>(node->Index)] = true;
    if (node->PrevByX != previous) return "X links disagree at node " + std::to_string(node->Index);
    if (previous &&
        !(previous->X < node->X || (previous->X == node->X && previous->Index < node->Index)))
      return "the X order puts node " + std::to_string(previous->Index) + " before node " +
             std::to_string(node->Index);
    previous = node;
  }
  if (visited != count) return "the X order misses nodes";
  return {};
}

std::string CheckValues(const TNodeList& list, const std::vector<TNodeValues>& expected) {
  if (list.Count() != static_cast<int>(expected.size()))
    return "Count is " + std::to_string(list.Count()) + " instead of " +
           std::to_string(expected.size());
  std::size_t k = 0;
  for (const TNode* node = list.FirstByIndex; node && k < expected.size();
       node = node->NextByIndex, ++k) {
    const TNodeValues& want = expected[k];
    if (!SameBits(node->X, want.X) || !SameBits(node->Y, want.Y) || !SameBits(node->T, want.T)) {
      return "node " + std::to_string(k + 1) + " holds " + Describe({node->X, node->Y, node->T}) +
             " instead of " + Describe(want);
    }
  }
  return {};
}

std::string CompareLists(const TNodeList& a, const TNodeList& b) {
  if (a.Count() != b.Count()) return "the node counts differ";
  const TNode* p = a.FirstByIndex;
  const TNode* q = b.FirstByIndex;
  for (; p && q; p = p->NextByIndex, q = q->NextByIndex) {
    if (!SameBits(p->X, q->X) || !SameBits(p->Y, q->Y) || !SameBits(p->T, q->T))
      return "node " + std::to_string(p->Index) + " differs: " + Describe({p->X, p->Y, p->T}) +
             " and " + Describe({q->X, q->Y, q->T});
  }
  if (p || q) return "the index orders differ in length";
  p = a.FirstByX;
  q = b.FirstByX;
  for (; p && q; p = p->NextByX, q = q->NextByX) {
    if (p->Index != q->Index) return "the X orders differ";
  }
  if (p || q) return "the X orders differ in length";
  return {};
}

std::string CheckRendering(const TNodeList& wave0, const TNodeList& wave1) {
  std::vector<double> periods[2];
  const TNodeList* waves[2] = {&wave0, &wave1};
  for (int w = 0; w < 2; ++w) {
    std::vector<double> display(kDisplayPoints);
    waves[w]->RenderDisplay(display.data());
    if (!AllFinite(display)) return "the display of wave " + std::to_string(w) + " is not finite";
    periods[w].resize(kPeriodSamples);
    waves[w]->RenderPeriod(periods[w].data(), kPeriodSamples);
    if (!AllFinite(periods[w])) return "the period of wave " + std::to_string(w) + " is not finite";
  }

  std::vector<double> morph(kMorphSamples);
  RenderTransition(morph.data(), wave0, wave1, kPeriodSamples, kMorphPeriods);
  if (!AllFinite(morph)) return "the morph is not finite";
  // Period 0 has moved no node any part of its way.
  if (const long at = FirstDifference(morph.data(), periods[0].data(), kPeriodSamples); at >= 0)
    return Mismatch("the first period of the morph", at, morph[static_cast<std::size_t>(at)],
                    periods[0][static_cast<std::size_t>(at)]);

  RenderTransition(morph.data(), wave1, wave1, kPeriodSamples, kMorphPeriods);
  for (int p = 0; p < kMorphPeriods; ++p) {
    const double* period = morph.data() + static_cast<std::size_t>(p) * kPeriodSamples;
    if (const long at = FirstDifference(period, periods[1].data(), kPeriodSamples); at >= 0)
      return Mismatch(("period " + std::to_string(p) + " of wave 1 morphed into itself").c_str(),
                      at, period[at], periods[1][static_cast<std::size_t>(at)]);
  }
  return {};
}

void Require(const std::string& problem, const char* context) {
  if (problem.empty()) return;
  std::fprintf(stderr, "FAILED %s: %s\n", context, problem.c_str());
  if (CreatedRoot) {
    std::error_code error;
    fs::remove_all(*CreatedRoot, error);
  }
  std::abort();
}

bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + got);
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(path, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const TFuzzDir& TFuzzDir::Get() {
  static const TFuzzDir dir;
  return dir;
}

TFuzzDir::TFuzzDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vlx-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data()))
    Require("cannot create a temporary directory under " + pattern, "setup");
  Root = pattern;
  CreatedRoot = &Root;
}

TFuzzDir::~TFuzzDir() {
  CreatedRoot = nullptr;
  std::error_code error;
  fs::remove_all(Root, error);
}

std::vector<std::uint8_t> WavHeader() {
  std::vector<std::uint8_t> bytes;
  auto tag = [&bytes](const char* id) { bytes.insert(bytes.end(), id, id + 4); };
  auto put = [&bytes](std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  tag("RIFF");
  put(22852, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(29761, 4);
  put(59522, 4);
  put(2, 2);
  put(16, 2);
  tag("vrlx");
  put(8, 4);
  put(114, 2);
  put(100, 2);
  put(0, 2);
  put(10, 2);
  tag("data");
  put(22800, 4);
  return bytes;
}
