#include "TempPath.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

std::optional<std::string> GetTempPath() {
  // Empty when the directory does not exist: Qt resolves it to its canonical path.
  std::string Path = QDir::tempPath().toStdString();
  if (Path.empty()) return std::nullopt;
  if (!QFileInfo(QString::fromStdString(Path)).isDir()) return std::nullopt;
  if (::access(Path.c_str(), W_OK | X_OK) != 0) return std::nullopt;
  if (Path.back() != '/') Path += '/';
  if (Path.size() > MaxTempPathLength) return std::nullopt;
  return Path;
}

std::string UploadFileName(const std::string& FileName) {
  const auto Slash = FileName.rfind('/');
  std::string Name = Slash == std::string::npos ? FileName : FileName.substr(Slash + 1);
  // A path ending in '/' names no file: fall back to the untitled name rather than a bare ".wav".
  if (Name.empty()) return "Vorlantix.wav";
  const auto Dot = Name.rfind('.');
  if (Dot != std::string::npos && Dot > 0) Name.erase(Dot);
  return Name + ".wav";
}
