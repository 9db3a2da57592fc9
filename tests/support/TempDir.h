#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "Filewrite.h"

using Bytes = std::vector<unsigned char>;

// A fresh directory per test, removed with everything in it afterwards.
struct TempDirTest : ::testing::Test {
  std::filesystem::path Dir;

  void SetUp() override {
    std::random_device seed;
    Dir = std::filesystem::temp_directory_path() /
          ("vlx-test-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    ASSERT_TRUE(std::filesystem::create_directory(Dir));
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::permissions(Dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(Dir, error);
  }
  std::string Path(const std::string& name) const { return (Dir / name).string(); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Dir)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Little-endian builders for expected file contents, independent of the writers.
inline void Put(Bytes& out, unsigned long long value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}
inline void PutText(Bytes& out, const char* text) {
  while (*text) out.push_back(static_cast<unsigned char>(*text++));
}
inline void PutDouble(Bytes& out, double value) {
  unsigned long long bits;
  std::memcpy(&bits, &value, sizeof bits);
  Put(out, bits, 8);
}

// Makes the temporary file of a save fail: every write, as on a full disk
// (/dev/full), or only the close, whose flush a network file system may refuse.
struct TFailingDisk : TTempFileOpener {
  bool OnlyClose = false;
  std::vector<std::string> Opened;
  std::FILE* Open(const std::string& path) override {
    Opened.push_back(path);
    if (std::FILE* real = std::fopen(path.c_str(), "wbx")) std::fclose(real);
    if (!OnlyClose) return std::fopen("/dev/full", "wb");
    cookie_io_functions_t io{};
    io.write = [](void*, const char*, std::size_t size) { return static_cast<ssize_t>(size); };
    io.close = [](void*) { return -1; };
    return fopencookie(nullptr, "wb", io);
  }
};

struct TFailingDiskScope {
  TFailingDisk Disk;
  TSeamScope<TTempFileOpener> Scope{Disk};
  explicit TFailingDiskScope(bool onlyClose = false) { Disk.OnlyClose = onlyClose; }
};

// Writes into a file written in place: the first Accept bytes go to the file,
// then every write fails with Error, or makes no progress when Error is 0.
// Interrupted makes the first call fail with EINTR before anything is written.
// A writer that kept asking after a write without progress would spin; the
// stand-in gives up after 100 such calls so the test fails on Writes instead.
struct TScriptedDescriptorIo : TDescriptorIo {
  std::size_t Accept = 0;
  int Error = 0;
  bool Interrupted = false;
  bool TruncateFails = false;
  int Writes = 0;
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    ++Writes;
    if (Interrupted && Writes == 1) {
      errno = EINTR;
      return -1;
    }
    if (Accept > 0) {
      const ssize_t written = ::write(fd, data, std::min(size, Accept));
      if (written > 0) Accept -= static_cast<std::size_t>(written);
      return written;
    }
    if (Error == 0 && Writes <= 100) return 0;
    errno = Error == 0 ? EIO : Error;
    return -1;
  }
  int Truncate(int fd, off_t length) override {
    if (!TruncateFails) return ::ftruncate(fd, length);
    errno = EIO;
    return -1;
  }
};

// While in scope, no file of this process may grow past Bytes, as on a disk
// that has filled up: a write past it fails with EFBIG (SIGXFSZ is ignored
// meanwhile instead of ending the process).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &PreviousAction);
    if (::getrlimit(RLIMIT_FSIZE, &Previous) != 0 || Previous.rlim_max < bytes) return;
    rlimit limited = Previous;
    limited.rlim_cur = bytes;
    Set = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~TFileSizeLimit() {
    if (Set) ::setrlimit(RLIMIT_FSIZE, &Previous);
    ::sigaction(SIGXFSZ, &PreviousAction, nullptr);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

  bool Set = false;

 private:
  rlimit Previous = {};
  struct sigaction PreviousAction = {};
};
