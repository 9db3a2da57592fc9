#include "Palette.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace {

struct TEntry {
  TRgb Colour;
  uint64_t Count = 0;
};

uint8_t Get(const TRgb& C, int Channel) {
  return Channel == 0 ? C.R : Channel == 1 ? C.G : C.B;
}

struct TBox {
  size_t Begin = 0, End = 0;  // range of the entry array
  uint64_t Error = 0;         // summed squared deviation, all channels
  int WidestChannel = 0;
  TRgb Mean;
};

void Measure(const std::vector<TEntry>& Entries, TBox& Box) {
  uint64_t N = 0, Sum[3] = {}, Squares[3] = {};
  for (size_t I = Box.Begin; I < Box.End; ++I)
    for (int C = 0; C < 3; ++C) {
      const uint64_t V = Get(Entries[I].Colour, C);
      Sum[C] += V * Entries[I].Count;
      Squares[C] += V * V * Entries[I].Count;
    }
  for (size_t I = Box.Begin; I < Box.End; ++I) N += Entries[I].Count;
  Box.Error = 0;
  uint64_t Widest = 0;
  uint8_t Mean[3];
  for (int C = 0; C < 3; ++C) {
    const uint64_t Spread = Squares[C] - Sum[C] * Sum[C] / N;
    Box.Error += Spread;
    if (Spread > Widest || C == 0) {
      Widest = Spread;
      Box.WidestChannel = C;
    }
    Mean[C] = uint8_t((Sum[C] + N / 2) / N);
  }
  Box.Mean = {Mean[0], Mean[1], Mean[2]};
}

uint32_t Distance(const TRgb& A, const TRgb& B) {
  const int R = int(A.R) - B.R, G = int(A.G) - B.G, Bl = int(A.B) - B.B;
  return uint32_t(3 * R * R + 4 * G * G + 2 * Bl * Bl);
}

}  // namespace

std::vector<TRgb> BuildPalette(const std::vector<const TRgbImage*>& Images, int Size,
                               const std::vector<TRgb>& Pinned) {
  std::map<uint32_t, uint64_t> Histogram;
  for (const TRgbImage* Image : Images)
    for (int Y = 0; Y < Image->Height(); ++Y)
      for (int X = 0; X < Image->Width(); ++X) ++Histogram[Image->At(X, Y).Key()];
  for (const TRgb& P : Pinned) Histogram.erase(P.Key());

  std::vector<TEntry> Entries;
  for (const auto& [Key, Count] : Histogram)
    Entries.push_back({TRgb{uint8_t(Key >> 16), uint8_t(Key >> 8), uint8_t(Key)}, Count});

  std::vector<TRgb> Palette = Pinned;
  const size_t Slots = size_t(Size) - Pinned.size();
  if (Entries.size() <= Slots) {
    for (const TEntry& E : Entries) Palette.push_back(E.Colour);
  } else {
    std::vector<TBox> Boxes(1);
    Boxes[0].End = Entries.size();
    Measure(Entries, Boxes[0]);
    while (Boxes.size() < Slots) {
      // Split the box that carries the most error; ties go to the earliest box.
      size_t Pick = Boxes.size();
      for (size_t I = 0; I < Boxes.size(); ++I)
        if (Boxes[I].End - Boxes[I].Begin > 1 &&
            (Pick == Boxes.size() || Boxes[I].Error > Boxes[Pick].Error))
          Pick = I;
      if (Pick == Boxes.size()) break;
      TBox& Box = Boxes[Pick];
      const int C = Box.WidestChannel;
      std::sort(Entries.begin() + Box.Begin, Entries.begin() + Box.End,
                [C](const TEntry& A, const TEntry& B) {
                  const uint8_t VA = Get(A.Colour, C), VB = Get(B.Colour, C);
                  return VA != VB ? VA < VB : A.Colour.Key() < B.Colour.Key();
                });
      uint64_t Total = 0, Running = 0;
      for (size_t I = Box.Begin; I < Box.End; ++I) Total += Entries[I].Count;
      size_t Split = Box.Begin + 1;
      for (size_t I = Box.Begin; I + 1 < Box.End; ++I) {
        Running += Entries[I].Count;
        Split = I + 1;
        if (2 * Running >= Total) break;
      }
      TBox Upper;
      Upper.Begin = Split;
      Upper.End = Box.End;
      Box.End = Split;
      Measure(Entries, Box);
      Measure(Entries, Upper);
      Boxes.push_back(Upper);
    }
    std::vector<TRgb> Means;
    for (const TBox& Box : Boxes) Means.push_back(Box.Mean);
    std::sort(Means.begin(), Means.end(),
              [](const TRgb& A, const TRgb& B) { return A.Key() < B.Key(); });
    Palette.insert(Palette.end(), Means.begin(), Means.end());
  }
  Palette.resize(size_t(Size), TRgb{});
  return Palette;
}

TIndexedImage ToIndexed(const TRgbImage& Image, const std::vector<TRgb>& Palette, int Bits) {
  TIndexedImage Out;
  Out.Width = Image.Width();
  Out.Height = Image.Height();
  Out.Bits = Bits;
  Out.Palette = Palette;
  Out.Pixels.resize(size_t(Out.Width) * Out.Height);
  std::unordered_map<uint32_t, uint8_t> Nearest;
  for (int Y = 0; Y < Out.Height; ++Y)
    for (int X = 0; X < Out.Width; ++X) {
      const TRgb C = Image.At(X, Y);
      auto Found = Nearest.find(C.Key());
      if (Found == Nearest.end()) {
        size_t Best = 0;
        for (size_t I = 1; I < Palette.size(); ++I)
          if (Distance(C, Palette[I]) < Distance(C, Palette[Best])) Best = I;
        Found = Nearest.emplace(C.Key(), uint8_t(Best)).first;
      }
      Out.Pixels[size_t(Y) * Out.Width + X] = Found->second;
    }
  return Out;
}
