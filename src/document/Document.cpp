#include "Document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

const char* const NewerVersionMessage =
    "This file has been created with a newer version of Vorlantix.\n\nPlease upgrade.";

namespace {

constexpr std::uint32_t kMagic = FourCC("VLX ");
constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 0;
constexpr int kHeaderSize = 10;
constexpr int kRecordSize = 24;

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void WriteWave(const TNodeList& wave, int count, std::FILE* file) {
  int written = 0;
  for (const TNode* node = wave.FirstByIndex; node && written < count;
       node = node->NextByIndex, ++written) {
    WriteDouble(node->X, file);
    WriteDouble(node->Y, file);
    WriteDouble(node->T, file);
  }
}

std::uint64_t LittleEndian(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

double DoubleAt(const unsigned char* bytes) {
  const std::uint64_t bits = LittleEndian(bytes, 8);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TReadOutcome Refuse(TReadOutcome outcome, std::string* reason, const std::string& text) {
  if (reason) *reason = text;
  return outcome;
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "something else";
}

std::string CannotOpen(int error) {
  return std::string("cannot open: ") + (error ? std::strerror(error) : "unknown error");
}

std::string NotAFile(mode_t mode) {
  return std::string("cannot open: ") + KindOf(mode) + ", not a regular file";
}

// Only a regular file is read. A named pipe without a writer would block the
// open, and a device could act on being opened (a tape rewinds), so the path
// is looked at first; the open itself never blocks, and what it opened is
// looked at again in case the path was replaced meanwhile.
std::FILE* OpenRegularFile(const std::string& path, std::string* reason) {
  const auto fail = [reason](const std::string& text) -> std::FILE* {
    if (reason) *reason = text;
    return nullptr;
  };
  struct stat info = {};
  if (::stat(path.c_str(), &info) != 0) return fail(CannotOpen(errno));
  if (!S_ISREG(info.st_mode)) return fail(NotAFile(info.st_mode));
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fail(CannotOpen(errno));
  std::string problem;
  if (::fstat(fd, &info) != 0) {
    problem = CannotOpen(errno);
  } else if (!S_ISREG(info.st_mode)) {
    problem = NotAFile(info.st_mode);
  } else if (std::FILE* file = ::fdopen(fd, "rb")) {
    return file;
  } else {
    problem = CannotOpen(errno);
  }
  ::close(fd);
  return fail(problem);
}

// One wave's records; false, with the reason given, when they are damaged.
bool ParseWave(const unsigned char* bytes, int count, std::vector<TNodeValues>& values,
               std::string* reason) {
  values.resize(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const unsigned char* record = bytes + static_cast<std::size_t>(k) * kRecordSize;
    TNodeValues& v = values[static_cast<std::size_t>(k)];
    v.X = DoubleAt(record);
    v.Y = DoubleAt(record + 8);
    v.T = DoubleAt(record + 16);
    if (!std::isfinite(v.X) || !std::isfinite(v.Y) || !std::isfinite(v.T)) {
      Refuse(TReadOutcome::Refused, reason, "damaged: a value is not a finite number");
      return false;
    }
    // The first and last record hold the fixed end nodes, whose stored X has
    // no effect. Any other X outside the period cannot have been saved by
    // this program: the file is refused rather than silently altered.
    const bool fixed = k == 0 || k == count - 1;
    if (!fixed && (v.X < 0 || v.X > 300)) {
      Refuse(TReadOutcome::Refused, reason, "damaged: a node lies outside 0 to 300");
      return false;
    }
  }
  return true;
}

}  // namespace

TWriteOutcome WriteDocument(const std::string& path, const TNodeList& wave0,
                            const TNodeList& wave1) {
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;
  std::FILE* out = file.File();
  const int count = wave0.Count();
  WriteDWord(kMagic, out);
  WriteByte(kMajorVersion, out);
  WriteByte(kMinorVersion, out);
  WriteDWord(static_cast<std::uint32_t>(count), out);
  WriteWave(wave0, count, out);
  WriteWave(wave1, count, out);
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}

TReadOutcome ReadDocument(const std::string& path, std::unique_ptr<TNodeList>& wave0,
                          std::unique_ptr<TNodeList>& wave1, std::string* reason) {
  std::unique_ptr<std::FILE, TFileCloser> file(OpenRegularFile(path, reason));
  if (!file) return TReadOutcome::CannotOpen;
  unsigned char header[kHeaderSize];
  const std::size_t got = std::fread(header, 1, kHeaderSize, file.get());
  if (got < 4 || LittleEndian(header, 4) != kMagic) {
    return Refuse(TReadOutcome::Refused, reason, "not a Vorlantix design");
  }
  if (got < 6) return Refuse(TReadOutcome::Refused, reason, "damaged: too short");
  const int major = static_cast<std::int8_t>(header[4]);
  const int minor = static_cast<std::int8_t>(header[5]);
  if (major * 100 + minor > kMajorVersion * 100 + kMinorVersion) {
    return Refuse(TReadOutcome::NewerVersion, reason,
                  "made by a newer version of Vorlantix (" + std::to_string(major) + "." +
                      std::to_string(minor) + ")");
  }
  if (got < kHeaderSize) return Refuse(TReadOutcome::Refused, reason, "damaged: too short");
  const auto count =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(header + 6, 4)));
  if (count < 0 || count > kMaxDocumentNodes) {
    return Refuse(TReadOutcome::Refused, reason,
                  "damaged: impossible node count " + std::to_string(count));
  }

  // One byte more than the records need shows whether anything follows them.
  const std::size_t expected = static_cast<std::size_t>(count) * 2 * kRecordSize;
  std::vector<unsigned char> body(expected + 1);
  const std::size_t read = std::fread(body.data(), 1, body.size(), file.get());
  if (read != expected) {
    return Refuse(TReadOutcome::Refused, reason,
                  "damaged: " + std::to_string(kHeaderSize + read) + (read > expected ? "+" : "") +
                      " bytes where " + std::to_string(count) + " nodes take " +
                      std::to_string(kHeaderSize + expected));
  }

  std::vector<TNodeValues> values0;
  std::vector<TNodeValues> values1;
  if (!ParseWave(body.data(), count, values0, reason) ||
      !ParseWave(body.data() + expected / 2, count, values1, reason)) {
    return TReadOutcome::Refused;
  }
  auto next0 = std::make_unique<TNodeList>(count);
  auto next1 = std::make_unique<TNodeList>(count);
  next0->SetValues(values0);
  next1->SetValues(values1);
  wave0 = std::move(next0);
  wave1 = std::move(next1);
  return TReadOutcome::Accepted;
}
