// Stands in for the host program in tests. Records into $VLX_STANDIN_OUT:
//   args  every argument, argv[0] first, each ended by a NUL byte (blanks and
//         line breaks survive);
//   file  a copy of the file named by the first argument, when there is one;
//   cwd   the working directory it was started in;
//   done  written last, so a reader that sees it sees everything else.
// Exits 0 once that is done; the "/DEL" switch is only recorded.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool WriteAtomically(const fs::path& Target, const std::string& Bytes) {
  const fs::path Temporary = Target.string() + ".tmp";
  {
    std::ofstream Out(Temporary, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    if (!Out) return false;
  }
  std::error_code Error;
  fs::rename(Temporary, Target, Error);
  return !Error;
}

}  // namespace

int main(int argc, char** argv) {
  const char* OutDir = std::getenv("VLX_STANDIN_OUT");
  if (OutDir == nullptr || *OutDir == '\0') return 2;
  const fs::path Dir(OutDir);
  std::error_code Error;
  fs::create_directories(Dir, Error);

  std::string Args;
  for (int I = 0; I < argc; ++I) Args.append(argv[I], std::strlen(argv[I]) + 1);
  if (!WriteAtomically(Dir / "args", Args)) return 3;

  if (argc > 1) {
    std::ifstream In(argv[1], std::ios::binary);
    if (In) {
      const std::string Bytes((std::istreambuf_iterator<char>(In)),
                              std::istreambuf_iterator<char>());
      if (!WriteAtomically(Dir / "file", Bytes)) return 3;
    }
  }
  if (!WriteAtomically(Dir / "cwd", fs::current_path(Error).string())) return 3;
  return WriteAtomically(Dir / "done", std::to_string(::getpid())) ? 0 : 3;
}
