#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "TempDir.h"

namespace {

// An empty file created and held open, as a thumbnail service creates the
// file it then reads the thumbnail from.
struct InPlaceWrites : TempDirTest {
  Bytes Content;
  int Held = -1;

  void SetUp() override {
    TempDirTest::SetUp();
    for (int i = 0; i < 1000; ++i) Content.push_back(static_cast<unsigned char>(i * 7));
    Held = ::open(Path("held.png").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(Held, 0);
  }
  void TearDown() override {
    if (Held >= 0) ::close(Held);
    TempDirTest::TearDown();
  }
  Bytes ReadHeld() const { return ReadDescriptor(Held); }
  static Bytes ReadDescriptor(int fd) {
    Bytes bytes;
    unsigned char chunk[4096];
    while (true) {
      const ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(bytes.size()));
      if (got <= 0) return bytes;
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
  }
  static ino_t Inode(const std::string& path) {
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
  }
};

TEST_F(InPlaceWrites, OnlyAnEmptyFileIsWrittenInPlace) {
  const ino_t held = Inode(Path("held.png"));
  EXPECT_EQ(WriteFileInPlaceIfEmpty(Path("held.png"), Content), TWriteOutcome::Written);
  EXPECT_EQ(ReadHeld(), Content);
  EXPECT_EQ(Inode(Path("held.png")), held);

  // A file with content is nobody's fresh output: it is replaced whole, and
  // whoever holds the previous one keeps reading it.
  const Bytes previous = {'o', 'l', 'd'};
  WriteBytes(Path("user.png"), previous);
  const int user = ::open(Path("user.png").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(user, 0);
  EXPECT_EQ(WriteFileInPlaceIfEmpty(Path("user.png"), Content), TWriteOutcome::Written);
  EXPECT_EQ(ReadBytes(Path("user.png")), Content);
  EXPECT_EQ(ReadDescriptor(user), previous);
  ::close(user);

  EXPECT_EQ(WriteFileInPlaceIfEmpty(Path("new.png"), Content), TWriteOutcome::Written);
  EXPECT_EQ(ReadBytes(Path("new.png")), Content);
  EXPECT_EQ(WriteFileInPlaceIfEmpty("", Content), TWriteOutcome::CannotCreate);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"held.png", "new.png", "user.png"}));
}

// Real writes that fail part way, as on a disk that fills up.
TEST_F(InPlaceWrites, AFailedWriteLeavesEveryFileAsItWas) {
  const Bytes previous(600, 'o');
  WriteBytes(Path("user.png"), previous);
  {
    TFileSizeLimit limit(512);
    ASSERT_TRUE(limit.Set);
    for (const char* name : {"held.png", "user.png", "new.png"}) {
      EXPECT_EQ(WriteFileInPlaceIfEmpty(Path(name), Content), TWriteOutcome::WriteFailed) << name;
    }
  }
  EXPECT_EQ(ReadHeld(), Bytes());
  EXPECT_EQ(ReadBytes(Path("user.png")), previous);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"held.png", "user.png"}));
}

struct TFailure {
  const char* Name;
  std::size_t Accept;
  int Error;
  bool Interrupted;
  bool TruncateFails;
  TWriteOutcome Outcome;
  std::size_t Left;  // bytes of the content the held file ends with
  int Writes;
};

void PrintTo(const TFailure& failure, std::ostream* out) {
  *out << failure.Name;
}

struct InPlaceFailures : InPlaceWrites, ::testing::WithParamInterface<TFailure> {};

TEST_P(InPlaceFailures, SayWhatIsLeftAndNeverSpin) {
  const TFailure& failure = GetParam();
  TScriptedDescriptorIo io;
  io.Accept = failure.Accept;
  io.Error = failure.Error;
  io.Interrupted = failure.Interrupted;
  io.TruncateFails = failure.TruncateFails;
  {
    TSeamScope<TDescriptorIo> scope(io);
    EXPECT_EQ(WriteFileInPlaceIfEmpty(Path("held.png"), Content), failure.Outcome);
  }
  EXPECT_EQ(io.Writes, failure.Writes);
  const auto left = static_cast<std::ptrdiff_t>(failure.Left);
  EXPECT_EQ(ReadHeld(), Bytes(Content.begin(), Content.begin() + left));
}

constexpr std::size_t kAll = 1 << 20;

INSTANTIATE_TEST_SUITE_P(
    Writes, InPlaceFailures,
    ::testing::Values(
        TFailure{"NoProgress", 0, 0, false, false, TWriteOutcome::WriteFailed, 0, 1},
        TFailure{"NoProgressPartWay", 300, 0, false, false, TWriteOutcome::WriteFailed, 0, 2},
        TFailure{"DiskFullPartWay", 300, ENOSPC, false, false, TWriteOutcome::WriteFailed, 0, 2},
        TFailure{"DiskFullAtOnce", 0, ENOSPC, false, true, TWriteOutcome::WriteFailed, 0, 1},
        TFailure{"NotUndone", 300, ENOSPC, false, true, TWriteOutcome::LeftIncomplete, 300, 2},
        TFailure{"NoProgressNotUndone", 300, 0, false, true, TWriteOutcome::LeftIncomplete, 300, 2},
        TFailure{"Interrupted", kAll, 0, true, true, TWriteOutcome::Written, 1000, 2}),
    [](const ::testing::TestParamInfo<TFailure>& info) { return std::string(info.param.Name); });

}  // namespace
