#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Longest temporary directory accepted, its trailing '/' included.
constexpr std::size_t MaxTempPathLength = 299;

// Shown (title "Vorlantix") when an upload has no temporary directory to write to.
inline constexpr char NoTempPathMessage[] = "Unable to find a temporary folder for the upload.";

// The directory for temporary files ($TMPDIR, else /tmp, as Qt resolves it)
// ending in '/'; nothing when it is missing, not a writable directory, or longer
// than MaxTempPathLength.
std::optional<std::string> GetTempPath();

// The name of the WAV file an upload writes for the document FileName:
// "Vorlantix.wav" for an untitled design, else the document's name with its
// extension replaced by ".wav". A leading dot does not start an extension
// (".hidden" gives ".hidden.wav").
std::string UploadFileName(const std::string& FileName);
