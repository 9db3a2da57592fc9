#include "Filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

int WriteLittleEndian(std::uint64_t value, int bytes, std::FILE* file) {
  unsigned char buffer[8];
  for (int i = 0; i < bytes; ++i) buffer[i] = static_cast<unsigned char>(value >> (8 * i));
  return static_cast<int>(std::fwrite(buffer, static_cast<std::size_t>(bytes), 1, file));
}

class TRealTempFileOpener : public TTempFileOpener {
 public:
  std::FILE* Open(const std::string& path) override { return std::fopen(path.c_str(), "wbx"); }
};

class TRealDescriptorIo : public TDescriptorIo {
 public:
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    return ::write(fd, data, size);
  }
  int Truncate(int fd, off_t length) override { return ::ftruncate(fd, length); }
};

}  // namespace

TTempFileOpener& TempFileOpener() {
  static TRealTempFileOpener Real;
  return TTempFileOpener::Installed ? *TTempFileOpener::Installed : Real;
}

TDescriptorIo& DescriptorIo() {
  static TRealDescriptorIo Real;
  return TDescriptorIo::Installed ? *TDescriptorIo::Installed : Real;
}

int WriteByte(std::int32_t value, std::FILE* file) {
  return WriteLittleEndian(static_cast<std::uint32_t>(value), 1, file);
}

int WriteWord(std::int32_t value, std::FILE* file) {
  return WriteLittleEndian(static_cast<std::uint32_t>(value), 2, file);
}

int WriteDWord(std::uint32_t value, std::FILE* file) {
  return WriteLittleEndian(value, 4, file);
}

int WriteDouble(double value, std::FILE* file) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return WriteLittleEndian(bits, 8, file);
}

std::string CannotCreateMessage(const std::string& fileName) {
  return "Unable to create destination file '" + fileName +
         "'. \nPlease check the filename. Also make sure you've got write permissions to the "
         "designated folder, and that you haven't run out of disk space.";
}

TSafeFile::TSafeFile(std::string target) : Target(std::move(target)) {}

TSafeFile::~TSafeFile() {
  if (Stream) std::fclose(Stream);
  if (!TempPath.empty() && !Committed) std::remove(TempPath.c_str());
}

bool TSafeFile::Create() {
  if (Target.empty() || Stream || Committed) return false;
  std::error_code error;
  fs::path target(Target);
  // Saving through a link replaces the file it points at, not the link.
  if (fs::is_symlink(target, error)) {
    target = fs::weakly_canonical(target, error);
    if (error) return false;
  }
  const fs::file_status status = fs::status(target, error);
  const bool exists = fs::exists(status);
  if (exists) {
    if (fs::is_directory(status)) return false;
    // The rename would replace a file we may not write; refuse it as an
    // ordinary open for writing would.
    std::FILE* probe = std::fopen(target.c_str(), "r+b");
    if (!probe) return false;
    std::fclose(probe);
  }
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, error)) return false;

  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100 && !Stream; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".vlx-%08x.tmp", static_cast<unsigned>(random()));
    const std::string path = (folder / name).string();
    errno = 0;
    Stream = TempFileOpener().Open(path);
    if (Stream) {
      TempPath = path;
    } else if (errno != EEXIST) {
      return false;
    }
  }
  if (!Stream) return false;
  Target = target.string();
  if (exists) fs::permissions(TempPath, status.permissions(), error);
  return true;
}

bool TSafeFile::Commit() {
  if (!Stream) return false;
  bool ok = std::fflush(Stream) == 0 && !std::ferror(Stream);
  ok = std::fclose(Stream) == 0 && ok;
  Stream = nullptr;
  if (ok) ok = std::rename(TempPath.c_str(), Target.c_str()) == 0;
  if (!ok) {
    std::remove(TempPath.c_str());
    TempPath.clear();
    return false;
  }
  Committed = true;
  return true;
}

TWriteOutcome WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  TSafeFile file(path);
  if (!file.Create()) return TWriteOutcome::CannotCreate;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size()) {
    return TWriteOutcome::WriteFailed;
  }
  return file.Commit() ? TWriteOutcome::Written : TWriteOutcome::WriteFailed;
}

TWriteOutcome WriteFileInPlaceIfEmpty(const std::string& path,
                                      const std::vector<unsigned char>& bytes) {
  if (path.empty()) return TWriteOutcome::CannotCreate;
  // Non-blocking, so a named pipe without a reader fails here instead of
  // hanging; it is refused below with every other file that is not regular.
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? WriteWholeFile(path, bytes) : TWriteOutcome::CannotCreate;
  struct stat status = {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return TWriteOutcome::CannotCreate;
  }
  if (status.st_size != 0) {
    ::close(fd);
    return WriteWholeFile(path, bytes);
  }
  TDescriptorIo& io = DescriptorIo();
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    errno = 0;
    const ssize_t written = io.Write(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
    } else if (written == 0 || errno != EINTR) {
      // A write that makes no progress would be asked again forever.
      ok = false;
    }
  }
  const bool undone = ok || done == 0 || io.Truncate(fd, 0) == 0;
  const bool closed = ::close(fd) == 0;
  if (ok && closed) return TWriteOutcome::Written;
  // A close that fails after every write went through may have lost any part
  // of them; only a failed write we could undo leaves the file empty again.
  return !ok && undone ? TWriteOutcome::WriteFailed : TWriteOutcome::LeftIncomplete;
}
