#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Sets (or, with nullopt, removes) an environment variable for one scope.
class TEnvScope {
 public:
  TEnvScope(const char* Name, const std::optional<std::string>& Value) : Name(Name) {
    if (const char* Old = std::getenv(Name)) Previous = Old;
    Apply(Value);
  }
  ~TEnvScope() { Apply(Previous); }
  TEnvScope(const TEnvScope&) = delete;
  TEnvScope& operator=(const TEnvScope&) = delete;

 private:
  void Apply(const std::optional<std::string>& Value) {
    if (Value) {
      ::setenv(Name, Value->c_str(), 1);
    } else {
      ::unsetenv(Name);
    }
  }
  const char* Name;
  std::optional<std::string> Previous;
};

inline std::string ReadBytes(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out << Bytes;
}

// A started child runs on its own; poll for its last output file, bounded at about 10 s.
inline bool WaitForFile(const std::filesystem::path& Path) {
  for (int I = 0; I < 1000; ++I) {
    if (std::filesystem::exists(Path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::filesystem::exists(Path);
}

// The stand-in host's argument record: NUL-terminated strings, argv[0] first.
inline std::vector<std::string> ReadArgs(const std::filesystem::path& Dir) {
  const std::string Bytes = ReadBytes(Dir / "args");
  std::vector<std::string> Args;
  std::string::size_type Start = 0;
  while (Start < Bytes.size()) {
    const auto End = Bytes.find('\0', Start);
    if (End == std::string::npos) break;
    Args.push_back(Bytes.substr(Start, End - Start));
    Start = End + 1;
  }
  return Args;
}
