// make_seeds SOURCE_DIR: writes the seed corpora into SOURCE_DIR/fuzz/corpus,
// both fuzz targets alike.
#include <cstdio>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "Seeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds SOURCE_DIR\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const auto example = ReadBytes((root / "examples/triangle-to-square.vlx").string());
  if (!example) {
    std::fprintf(stderr, "make_seeds: cannot read the example design\n");
    return 1;
  }
  for (const char* target : {"document", "render"}) {
    const std::filesystem::path dir = root / "fuzz/corpus" / target;
    std::filesystem::create_directories(dir);
    for (const TSeed& seed : MakeSeeds(*example)) {
      const std::string path = (dir / seed.Name).string();
      if (!WriteBytes(path, seed.Bytes.data(), seed.Bytes.size())) {
        std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
