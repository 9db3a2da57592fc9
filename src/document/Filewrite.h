#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Seam.h"

// WriteFailed leaves the target as it was (or absent, as it was);
// LeftIncomplete only comes from a write into the file itself that failed
// part way and could not be undone.
enum class TWriteOutcome { Written, CannotCreate, WriteFailed, LeftIncomplete };

// Little-endian writers; each returns the number of items written (1 on success).
int WriteByte(std::int32_t value, std::FILE* file);
int WriteWord(std::int32_t value, std::FILE* file);
int WriteDWord(std::uint32_t value, std::FILE* file);
int WriteDouble(double value, std::FILE* file);

// The four bytes of a chunk identifier or magic, as WriteDWord takes them.
constexpr std::uint32_t FourCC(const char (&id)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(id[3])) << 24;
}

// Shown when a document or a WAV file cannot be created.
std::string CannotCreateMessage(const std::string& fileName);

// Opens the temporary file a save writes into. Tests install a stand-in to
// make writes fail as on a full disk.
class TTempFileOpener {
 public:
  virtual ~TTempFileOpener() = default;
  // As fopen(path, "wbx"): null when the file exists or cannot be created.
  virtual std::FILE* Open(const std::string& path) = 0;

  static inline TTempFileOpener* Installed = nullptr;
};

TTempFileOpener& TempFileOpener();

// A file that replaces its target only once everything, the close included,
// has been written, so a failed save leaves the previous file as it was.
class TSafeFile {
 public:
  explicit TSafeFile(std::string target);
  ~TSafeFile();
  TSafeFile(const TSafeFile&) = delete;
  TSafeFile& operator=(const TSafeFile&) = delete;

  // False when the target cannot be written: empty name, missing folder, no
  // permission, or a directory or read-only file of that name.
  bool Create();
  std::FILE* File() const { return Stream; }
  // Closes and renames into place; false (and the temporary removed) when any
  // write, the close or the rename failed.
  bool Commit();

 private:
  std::string Target;
  std::string TempPath;
  std::FILE* Stream = nullptr;
  bool Committed = false;
};

// Bytes made in memory beforehand (an encoded picture), written through a
// TSafeFile.
TWriteOutcome WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Writes and truncates the file that WriteFileInPlaceIfEmpty writes into.
// Tests install a stand-in to make a write fail part way, make no progress,
// or make the truncation fail.
class TDescriptorIo {
 public:
  virtual ~TDescriptorIo() = default;
  // As write(2) and ftruncate(2).
  virtual ssize_t Write(int fd, const void* data, std::size_t size) = 0;
  virtual int Truncate(int fd, off_t length) = 0;

  static inline TDescriptorIo* Installed = nullptr;
};

TDescriptorIo& DescriptorIo();

// The same bytes for a caller that may hold the target open and read it back
// through its descriptor, as a file manager's thumbnail service does with the
// empty file it creates; a rename would leave that descriptor on the old,
// empty file. An existing empty regular file is therefore written in place
// and, should a write fail, emptied again; any other target (missing, or one
// with content, which is nobody's fresh output) goes through WriteWholeFile,
// so a failure leaves the previous file whole.
TWriteOutcome WriteFileInPlaceIfEmpty(const std::string& path,
                                      const std::vector<unsigned char>& bytes);
