#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Seam.h"

enum class TWriteOutcome { Written, CannotCreate, WriteFailed };

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

// The same bytes written into the regular file at path itself (created when
// missing, truncated otherwise), for a caller that owns that file and reads it
// back through a descriptor it holds open, as a file manager's thumbnail
// service does; a rename would leave that descriptor on the old, empty file.
// A failed write leaves the file incomplete.
TWriteOutcome WriteFileInPlace(const std::string& path, const std::vector<unsigned char>& bytes);
