#pragma once

#include <QImage>
#include <QString>
#include <QtGlobal>

// The window layout the pictures must fit, written out independently of the
// generator so that a slip in either shows up.
struct TCellPlace {
  const char* Name;
  int Left, Top, Width, Height;  // on the window
  int SkinX, Columns;            // region in ButtonSource; glyph 1 below or right of glyph 0
};

inline const TCellPlace ButtonCells[] = {
    {"MinimizeButton", 322, 4, 11, 10, 0, 1},    {"CloseButton", 335, 4, 11, 10, 11, 1},
    {"MenuButton", 9, 139, 16, 16, 22, 1},       {"LeftButton", 30, 141, 23, 12, 38, 1},
    {"AddButton", 53, 141, 23, 12, 61, 1},       {"DelButton", 76, 141, 23, 12, 84, 1},
    {"RightButton", 99, 141, 23, 12, 107, 1},    {"Play0Button", 228, 124, 27, 12, 130, 1},
    {"PlayAllButton", 238, 141, 27, 12, 157, 1}, {"Play1Button", 228, 158, 27, 12, 184, 1},
    {"UploadButton", 271, 136, 76, 22, 211, 2},
};

inline int CellLeft(const TCellPlace& C, int Glyph) {
  return C.SkinX + C.Width * (Glyph % C.Columns);
}
inline int CellTop(const TCellPlace& C, int Glyph) {
  return C.Height * (Glyph / C.Columns);
}

inline const int KnobXs[3] = {130, 164, 198};
inline const int KnobYs[2] = {114, 158};
inline const int KnobRestFrame[3] = {0, 36, 36};
inline const int KnobCell = 22;

struct TDisplayArea {
  int Left, Top, Width, Height;
};
inline const TDisplayArea DisplayAreas[2] = {{23, 33, 313, 61}, {23, 202, 312, 63}};

inline QImage LoadBitmap(const QString& Name) {
  return QImage(":/bitmaps/" + Name);
}

// True when the block of A at (AX, AY) equals the block of B at (BX, BY).
inline bool SameBlock(const QImage& A, int AX, int AY, const QImage& B, int BX, int BY, int W,
                      int H) {
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X)
      if (A.pixel(AX + X, AY + Y) != B.pixel(BX + X, BY + Y)) return false;
  return true;
}
