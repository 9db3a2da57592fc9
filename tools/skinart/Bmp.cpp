#include "Bmp.h"

#include <fstream>

namespace {

void Put16(std::vector<uint8_t>& Out, uint32_t V) {
  Out.push_back(uint8_t(V));
  Out.push_back(uint8_t(V >> 8));
}
void Put32(std::vector<uint8_t>& Out, uint32_t V) {
  Put16(Out, V & 0xFFFF);
  Put16(Out, V >> 16);
}

size_t Stride(int Width, int Bits) {
  return ((size_t(Width) * Bits + 31) / 32) * 4;
}

std::vector<uint8_t> Headers(int Width, int Height, int Bits, size_t Colours) {
  const uint32_t Offset = uint32_t(14 + 40 + 4 * Colours);
  const uint32_t ImageSize = uint32_t(Stride(Width, Bits) * Height);
  std::vector<uint8_t> Out;
  Out.push_back('B');
  Out.push_back('M');
  Put32(Out, Offset + ImageSize);
  Put32(Out, 0);  // two reserved words
  Put32(Out, Offset);
  Put32(Out, 40);
  Put32(Out, uint32_t(Width));
  Put32(Out, uint32_t(Height));  // positive: rows stored bottom-up
  Put16(Out, 1);
  Put16(Out, uint32_t(Bits));
  Put32(Out, 0);  // BI_RGB
  Put32(Out, ImageSize);
  Put32(Out, 2835);  // 72 dots per inch, in pixels per metre
  Put32(Out, 2835);
  Put32(Out, uint32_t(Colours));
  Put32(Out, uint32_t(Colours));
  return Out;
}

// Zero-filled room for the pixel rows at the end of Out; returns where it
// starts. The rows are then filled in place, bottom row first in the file:
// GCC 14 at -O3 takes a row vector appended per line for a bad free.
size_t AddRows(std::vector<uint8_t>& Out, size_t RowBytes, int Height) {
  const size_t Start = Out.size();
  Out.resize(Start + RowBytes * size_t(Height), 0);
  return Start;
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const TIndexedImage& Image) {
  const size_t Colours = size_t(1) << Image.Bits;
  std::vector<uint8_t> Out = Headers(Image.Width, Image.Height, Image.Bits, Colours);
  for (size_t I = 0; I < Colours; ++I) {
    const TRgb C = I < Image.Palette.size() ? Image.Palette[I] : TRgb{};
    Out.insert(Out.end(), {C.B, C.G, C.R, 0});
  }
  const size_t RowBytes = Stride(Image.Width, Image.Bits);
  const size_t Pixels = AddRows(Out, RowBytes, Image.Height);
  for (int Y = 0; Y < Image.Height; ++Y) {
    uint8_t* Row = Out.data() + Pixels + size_t(Image.Height - 1 - Y) * RowBytes;
    for (int X = 0; X < Image.Width; ++X) {
      const uint8_t Index = Image.Pixels[size_t(Y) * Image.Width + X];
      if (Image.Bits == 8)
        Row[X] = Index;
      else  // two pixels a byte, the left one in the high nibble
        Row[X / 2] |= uint8_t((Index & 0x0F) << (X % 2 == 0 ? 4 : 0));
    }
  }
  return Out;
}

std::vector<uint8_t> EncodeBmp24(const TRgbImage& Image) {
  std::vector<uint8_t> Out = Headers(Image.Width(), Image.Height(), 24, 0);
  const size_t RowBytes = Stride(Image.Width(), 24);
  const size_t Pixels = AddRows(Out, RowBytes, Image.Height());
  for (int Y = 0; Y < Image.Height(); ++Y) {
    uint8_t* Row = Out.data() + Pixels + size_t(Image.Height() - 1 - Y) * RowBytes;
    for (int X = 0; X < Image.Width(); ++X) {
      const TRgb C = Image.At(X, Y);
      Row[3 * X] = C.B;
      Row[3 * X + 1] = C.G;
      Row[3 * X + 2] = C.R;
    }
  }
  return Out;
}

bool WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes) {
  std::ofstream File(Path, std::ios::binary | std::ios::trunc);
  if (!File) return false;
  File.write(reinterpret_cast<const char*>(Bytes.data()), std::streamsize(Bytes.size()));
  File.close();
  return bool(File);
}
