#pragma once

// Where the controls sit on the main window and where their cells lie in the skins.
struct TButtonPlace {
  const char* Name;
  int Left, Top, Width, Height;
  int SkinX;    // region of the button skin; cells of Width x Height from here
  int Columns;  // 1: glyph 1 below glyph 0; 2: glyph 1 right of glyph 0
};

enum TButtonId {
  MinimizeId,
  CloseId,
  MenuId,
  LeftId,
  AddId,
  DelId,
  RightId,
  Play0Id,
  PlayAllId,
  Play1Id,
  UploadId,
  ButtonCount
};

inline constexpr TButtonPlace ButtonPlaces[ButtonCount] = {
    {"Minimize", 322, 4, 11, 10, 0, 1},    {"Close", 335, 4, 11, 10, 11, 1},
    {"Menu", 9, 139, 16, 16, 22, 1},       {"Left", 30, 141, 23, 12, 38, 1},
    {"Add", 53, 141, 23, 12, 61, 1},       {"Del", 76, 141, 23, 12, 84, 1},
    {"Right", 99, 141, 23, 12, 107, 1},    {"Play0", 228, 124, 27, 12, 130, 1},
    {"PlayAll", 238, 141, 27, 12, 157, 1}, {"Play1", 228, 158, 27, 12, 184, 1},
    {"Upload", 271, 136, 76, 22, 211, 2},
};

inline constexpr int WindowWidth = 350, WindowHeight = 280;
inline constexpr int ButtonSkinWidth = 363, ButtonSkinHeight = 32;

inline constexpr int KnobSize = 22, KnobFrames = 73;
inline constexpr int KnobColumnsX[3] = {130, 164, 198};  // X, Y and T knobs
inline constexpr int KnobRowsY[2] = {114, 158};          // wave 0, wave 1
inline constexpr int KnobRestFrames[3] = {0, 36, 36};    // frames shown at start-up

struct TBoxPlace {
  int Left, Top, Width, Height;
};
inline constexpr TBoxPlace DisplayBoxes[2] = {{23, 33, 313, 61}, {23, 202, 312, 63}};

inline constexpr int CaptionWidth = 321, CaptionHeight = 17;
