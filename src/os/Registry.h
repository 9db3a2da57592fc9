#pragma once

#include <memory>
#include <stdexcept>
#include <string>

class QSettings;

// The toolkit's registry error, e.g. "Invalid data type for 'Command'".
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One key of the current user's registry, read and written section by section.
//
// A key "Software\<Organisation>" is the settings file Qt keeps for that
// organisation on this platform: <config>/<Organisation>.conf, where <config> is
// $XDG_CONFIG_HOME or ~/.config; deeper keys become subdirectories
// ("Software\A\B" is <config>/A/B.conf). Sections are the file's groups.
class TRegIniFile {
 public:
  // Opens the key, creating an empty one when it is missing. A key that cannot
  // be created reads as empty.
  explicit TRegIniFile(const std::string& FileName);
  ~TRegIniFile();
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  // Default when the section or the value is missing; ERegistryException when
  // the value is stored as anything but text.
  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default);
  // A decimal integer kept as text; Default when missing, empty or not a number.
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // Writes pending changes; afterwards reads give their defaults and writes are dropped.
  void CloseKey();

  // The settings file behind the key.
  const std::string& KeyFile() const { return Path; }

 private:
  std::string Path;
  std::unique_ptr<QSettings> Settings;
};

// The settings file that holds a key of the current user, e.g. "Software\Melquor".
std::string RegistryKeyFile(const std::string& Key);
