#pragma once

#include <string>
#include <vector>

// Built-in bitmap fonts, so that lettering never depends on the fonts of the machine.
enum class TFontFace {
  Large,  // 7 rows, proportional: captions
  Small,  // 5 rows: panel labels and digits on keys
};

// A line of text laid out as a pixel mask; glyphs one blank column apart.
class TTextMask {
 public:
  TTextMask(TFontFace Face, const std::string& Text, bool Bold = false);
  int Width() const { return W; }
  int Height() const { return H; }
  bool At(int X, int Y) const {
    return X >= 0 && Y >= 0 && X < W && Y < H && Bits[size_t(Y) * W + X];
  }

 private:
  int W = 0, H = 0;
  std::vector<bool> Bits;
};

// A hand-drawn symbol given as rows of '#' (set) and '.' (clear).
class TPixelMask {
 public:
  TPixelMask() = default;
  explicit TPixelMask(std::vector<std::string> Rows);
  int Width() const { return Rows.empty() ? 0 : int(Rows[0].size()); }
  int Height() const { return int(Rows.size()); }
  bool At(int X, int Y) const {
    return X >= 0 && Y >= 0 && Y < Height() && X < Width() && Rows[Y][X] == '#';
  }

 private:
  std::vector<std::string> Rows;
};

TPixelMask TextToMask(TFontFace Face, const std::string& Text);
