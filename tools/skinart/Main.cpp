// skinart: draws the pictures that Vorlantix embeds.
//   skinart OUTDIR                writes every embedded bitmap into OUTDIR
//   skinart --preview FILE.bmp    writes the assembled main window, 24 bits per pixel
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Bmp.h"
#include "Layout.h"
#include "Palette.h"
#include "SmallArt.h"
#include "WindowArt.h"

namespace {

struct TWindowPictures {
  TIndexedImage Background, ButtonSource, KnobSource;
};

TWindowPictures DrawWindow() {
  const TWindowArt Art;
  const TRgbImage Background = Art.Background();
  const TRgbImage Buttons = Art.ButtonSource();
  const TRgbImage Knobs = Art.KnobSource();
  // One palette for the three, so that a pixel of a cell and the same pixel of
  // the window behind it always get the same index and colour. The display
  // colours are pinned so that the grid keeps its exact values.
  const std::vector<TRgb> Pinned = {{0, 0, 0}, {22, 58, 2}, {34, 86, 2}, {50, 122, 2}};
  const std::vector<TRgb> Palette = BuildPalette({&Background, &Buttons, &Knobs}, 256, Pinned);
  return {ToIndexed(Background, Palette, 8), ToIndexed(Buttons, Palette, 8),
          ToIndexed(Knobs, Palette, 8)};
}

TIndexedImage SixteenColours(const TRgbImage& Image, const std::vector<TRgb>& Pinned) {
  return ToIndexed(Image, BuildPalette({&Image}, 16, Pinned), 4);
}

bool WriteAll(const std::string& Directory) {
  // Drawing takes a moment; refuse a missing directory before it.
  std::error_code Error;
  if (!std::filesystem::is_directory(Directory, Error)) {
    std::fprintf(stderr, "skinart: %s is not a directory\n", Directory.c_str());
    return false;
  }
  std::vector<std::pair<std::string, TIndexedImage>> Files;
  TWindowPictures Window = DrawWindow();
  Files.emplace_back("Background.bmp", std::move(Window.Background));
  Files.emplace_back("ButtonSource.bmp", std::move(Window.ButtonSource));
  Files.emplace_back("KnobSource.bmp", std::move(Window.KnobSource));

  // Both faces share a palette, so a composition that copies indices from
  // either one into a buffer loaded from the other keeps its colours.
  const TRgbImage Normal = DrawKnobFace(false), Focus = DrawKnobFace(true);
  const std::vector<TRgb> FacePalette = BuildPalette(
      {&Normal, &Focus}, 16, {KnobFaceClear, {0, 0, 0}, {255, 255, 255}, {0, 96, 224}});
  Files.emplace_back("KNOBNORMAL.bmp", ToIndexed(Normal, FacePalette, 4));
  Files.emplace_back("KNOBFOCUS.bmp", ToIndexed(Focus, FacePalette, 4));
  Files.emplace_back("KNOBMASK.bmp", SixteenColours(DrawKnobMask(), {{0, 0, 0}, {255, 255, 255}}));
  Files.emplace_back("TKNOB.bmp", SixteenColours(DrawToolKnob(), {{192, 192, 192}, {0, 0, 0}}));
  Files.emplace_back("Icon.bmp", SixteenColours(DrawAppIcon(), {{0, 0, 0}}));
  Files.emplace_back(
      "Warning.bmp",
      SixteenColours(DrawWarning(), {{192, 192, 192}, {128, 128, 128}, {0, 0, 0}, {255, 232, 0}}));
  for (const auto& [Name, Image] : Files) {
    const std::string Path = Directory + "/" + Name;
    if (!WriteBytes(Path, EncodeBmp(Image))) {
      std::fprintf(stderr, "skinart: cannot write %s\n", Path.c_str());
      return false;
    }
  }
  return true;
}

// The window as the program assembles it: the background with the rest glyph
// of every control copied from its cell.
bool WritePreview(const std::string& Path) {
  const std::filesystem::path Parent = std::filesystem::path(Path).parent_path();
  std::error_code Error;
  if (!Parent.empty() && !std::filesystem::is_directory(Parent, Error)) {
    std::fprintf(stderr, "skinart: %s is not a directory\n", Parent.c_str());
    return false;
  }
  const TWindowPictures Window = DrawWindow();
  TRgbImage Face = Window.Background.ToRgb();
  const TRgbImage Buttons = Window.ButtonSource.ToRgb();
  const TRgbImage Knobs = Window.KnobSource.ToRgb();
  for (const TButtonPlace& B : ButtonPlaces)
    Face.Paste(Buttons, B.SkinX, 0, B.Width, B.Height, B.Left, B.Top);
  for (int Row = 0; Row < 2; ++Row)
    for (int Col = 0; Col < 3; ++Col)
      Face.Paste(Knobs, KnobSize * KnobRestFrames[Col], KnobSize * Row, KnobSize, KnobSize,
                 KnobColumnsX[Col], KnobRowsY[Row]);
  if (!WriteBytes(Path, EncodeBmp24(Face))) {
    std::fprintf(stderr, "skinart: cannot write %s\n", Path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) return WritePreview(argv[2]) ? 0 : 1;
    if (argc == 2 && argv[1][0] != '-') return WriteAll(argv[1]) ? 0 : 1;
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "skinart: %s\n", Error.what());
    return 1;
  }
  std::fprintf(stderr, "usage: skinart OUTDIR\n       skinart --preview FILE.bmp\n");
  return 2;
}
