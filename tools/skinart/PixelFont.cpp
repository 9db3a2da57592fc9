#include "PixelFont.h"

#include <map>
#include <stdexcept>

namespace {

using TGlyphs = std::map<char, std::vector<std::string>>;

const TGlyphs& LargeGlyphs() {
  static const TGlyphs Glyphs = {
      {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
      {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
      {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
      {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
      {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
      {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'V', {"#...#", "#...#", "#...#", ".#.#.", ".#.#.", ".#.#.", "..#.."}},
      {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
      {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
      {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
      {'i', {".#.", "...", "##.", ".#.", ".#.", ".#.", "###"}},
      {'l', {"##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
      {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"}},
      {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
      {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
      {'t', {".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##"}},
      {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
      {' ', {"..", "..", "..", "..", "..", "..", ".."}},
  };
  return Glyphs;
}

const TGlyphs& SmallGlyphs() {
  static const TGlyphs Glyphs = {
      {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
      {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
      {'E', {"###", "#..", "##.", "#..", "###"}},
      {'L', {"#..", "#..", "#..", "#..", "###"}},
      {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
      {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#"}},
      {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
      {'P', {"##.", "#.#", "##.", "#..", "#.."}},
      {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
      {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
      {'W', {"#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
      {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
      {'0', {"###", "#.#", "#.#", "#.#", "###"}},
      {'1', {".#.", "##.", ".#.", ".#.", "###"}},
      {' ', {"..", "..", "..", "..", ".."}},
  };
  return Glyphs;
}

}  // namespace

TTextMask::TTextMask(TFontFace Face, const std::string& Text, bool Bold) {
  const TGlyphs& Glyphs = Face == TFontFace::Large ? LargeGlyphs() : SmallGlyphs();
  H = Face == TFontFace::Large ? 7 : 5;
  std::vector<const std::vector<std::string>*> Line;
  for (char C : Text) {
    auto Found = Glyphs.find(C);
    if (Found == Glyphs.end()) throw std::invalid_argument(std::string("no glyph for ") + C);
    Line.push_back(&Found->second);
    W += int((*Line.back())[0].size()) + 1 + (Bold ? 1 : 0);
  }
  if (W > 0) --W;
  Bits.assign(size_t(W) * H, false);
  int Left = 0;
  for (const auto* Glyph : Line) {
    const int GlyphWidth = int((*Glyph)[0].size());
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < GlyphWidth; ++X)
        if ((*Glyph)[Y][X] == '#') {
          Bits[size_t(Y) * W + Left + X] = true;
          if (Bold) Bits[size_t(Y) * W + Left + X + 1] = true;
        }
    Left += GlyphWidth + 1 + (Bold ? 1 : 0);
  }
}

TPixelMask::TPixelMask(std::vector<std::string> Rows) : Rows(std::move(Rows)) {}

TPixelMask TextToMask(TFontFace Face, const std::string& Text) {
  const TTextMask Mask(Face, Text);
  std::vector<std::string> Rows;
  for (int Y = 0; Y < Mask.Height(); ++Y) {
    std::string Row;
    for (int X = 0; X < Mask.Width(); ++X) Row += Mask.At(X, Y) ? '#' : '.';
    Rows.push_back(Row);
  }
  return TPixelMask(Rows);
}
