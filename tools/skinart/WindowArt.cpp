#include "WindowArt.h"

#include <algorithm>
#include <cmath>

#include "Geometry.h"
#include "Layout.h"

namespace {

// Display grid: brightest, medium and faint lines; where lines cross, the brighter wins.
const TColour GridColours[4] = {Rgb(0, 0, 0), Rgb(22, 58, 2), Rgb(34, 86, 2), Rgb(50, 122, 2)};

int GridLevel(int X, int Y) {
  int Level = 0;
  if (Y >= 2 && Y <= 56) {
    if (X == 2 || X == 152 || X == 302)
      Level = 3;
    else if (X == 52 || X == 102 || X == 202 || X == 252)
      Level = 2;
    else if (X >= 27 && X <= 277 && (X - 27) % 50 == 0)
      Level = 1;
  }
  if (X >= 2 && X <= 302) {
    int Row = 0;
    if (Y == 29)
      Row = 3;
    else if (Y == 2 || Y == 56)
      Row = 2;
    else if (Y == 11 || Y == 20 || Y == 38 || Y == 47)
      Row = 1;
    if (Row > Level) Level = Row;
  }
  return Level;
}

// Light falls from the upper left; this points towards it.
constexpr double LightX = -0.6, LightY = -0.8;

// Materials.
const TColour Ink = Rgb(44, 46, 54);
const TColour LabelInk = Rgb(72, 75, 84);
const TColour Legend = Rgb(232, 232, 224);
const TColour PlayGreen = Rgb(112, 224, 92);
const TColour CaptionInk = Rgb(30, 31, 36);

struct TKeyStyle {
  double Radius;
  TColour Outline, Highlight, Lowlight, FaceTop, FaceBottom;
};
const TKeyStyle DarkKey = {
    2.0, Rgb(16, 16, 18), Rgb(128, 131, 140), Rgb(30, 31, 34), Rgb(92, 95, 103), Rgb(60, 62, 68)};
const TKeyStyle DarkKeyPressed = {
    2.0, Rgb(16, 16, 18), Rgb(26, 27, 30), Rgb(74, 76, 82), Rgb(52, 54, 59), Rgb(58, 60, 66)};
const TKeyStyle LightKey = {1.5,
                            Rgb(78, 79, 85),
                            Rgb(255, 255, 255),
                            Rgb(150, 151, 157),
                            Rgb(226, 227, 230),
                            Rgb(200, 201, 205)};
const TKeyStyle LightKeyPressed = {1.5,
                                   Rgb(78, 79, 85),
                                   Rgb(132, 133, 139),
                                   Rgb(214, 215, 219),
                                   Rgb(176, 177, 182),
                                   Rgb(188, 189, 193)};

// Numerical normal of a signed distance field (pointing outwards).
template <class TField>
void Normal(const TField& Field, double X, double Y, double& NX, double& NY) {
  const double E = 0.25;
  NX = Field(X + E, Y) - Field(X - E, Y);
  NY = Field(X, Y + E) - Field(X, Y - E);
  const double L = Length(NX, NY);
  if (L > 0) {
    NX /= L;
    NY /= L;
  }
}

struct TScrew {
  double X, Y, Turn;  // slot angle in degrees
};
const TScrew Screws[4] = {
    {11.5, 108.5, 20}, {11.5, 186.5, 65}, {339.5, 108.5, 110}, {339.5, 186.5, 35}};

const double BadgeY = 147.5;
const double BadgeRadius = 6.6;

// The inset plate that carries the knobs; knobs of a row must see the same
// plate, so it is shaded by height only.
const double DeckLeft = 124, DeckTop = 104, DeckWidth = 103, DeckHeight = 89, DeckRadius = 5;

TColour Casing(int IY) {
  const double T = Clamp01((IY - 19) / 259.0);
  const double Grain = (int(Hash(unsigned(IY) * 7u + 3u) % 7u) - 3) * 0.55;
  return Offset(Mix(Rgb(208, 209, 212), Rgb(182, 183, 187), T), Grain);
}

TColour Darken(TColour C, double Amount) {
  return Mix(C, Rgb(0, 0, 0), Amount);
}

}  // namespace

TWindowArt::TWindowArt()
    : Title(TFontFace::Large, "Vorlantix", true),
      WaveLabel0(TFontFace::Small, "WAVE 0"),
      WaveLabel1(TFontFace::Small, "WAVE 1"),
      MenuLabel(TFontFace::Small, "MENU"),
      NodeLabel(TFontFace::Small, "NODE"),
      PlayLabel(TFontFace::Small, "PLAY") {
  for (const char* Letter : {"X", "Y", "T"}) BadgeLetters.emplace_back(TFontFace::Large, Letter);
  // Angles in degrees clockwise from straight up: the ticks every 45 degrees of
  // the 270-degree sweep, the pointer 135 degrees left at frame 0, then 3.75 a frame.
  for (int Tick = 0; Tick <= 6; ++Tick) {
    const double A = Radians(-135 + 45 * Tick);
    TickDirections[Tick] = {Sine(A), -Cosine(A)};
  }
  for (int Frame = 0; Frame < KnobFrames; ++Frame) {
    const double A = Radians(-135 + 3.75 * Frame);
    PointerDirections.push_back({Sine(A), -Cosine(A)});
  }

  const TPixelMask Triangle({"#...", "##..", "###.", "####", "###.", "##..", "#..."});
  const auto Single = [](TPixelMask Mask, TColour Colour) {
    TLegend L;
    L.Width = Mask.Width();
    L.Height = Mask.Height();
    L.Parts.push_back({std::move(Mask), 0, 0, Colour});
    return L;
  };
  Legends.resize(ButtonCount);
  Legends[MinimizeId] =
      Single(TPixelMask({".....", ".....", ".....", "#####", "#####"}), CaptionInk);
  Legends[CloseId] =
      Single(TPixelMask({"##...##", ".##.##.", "..###..", ".##.##.", "##...##"}), CaptionInk);
  Legends[MenuId] = Single(
      TPixelMask({"######", "......", "......", "######", "......", "......", "######"}), Legend);
  Legends[LeftId] =
      Single(TPixelMask({"...#", "..##", ".###", "####", ".###", "..##", "...#"}), Legend);
  Legends[AddId] =
      Single(TPixelMask({"..#..", "..#..", "..#..", "#####", "..#..", "..#..", "..#.."}), Legend);
  Legends[DelId] =
      Single(TPixelMask({".....", ".....", ".....", "#####", ".....", ".....", "....."}), Legend);
  Legends[RightId] = Single(Triangle, Legend);
  for (int Id : {Play0Id, Play1Id}) {
    TLegend& L = Legends[Id];
    L.Parts.push_back({Triangle, 0, 0, PlayGreen});
    L.Parts.push_back({TextToMask(TFontFace::Small, Id == Play0Id ? "0" : "1"), 7, 1, Legend});
    L.Width = 10;
    L.Height = 7;
  }
  {
    TLegend& L = Legends[PlayAllId];
    L.Parts.push_back({TextToMask(TFontFace::Small, "0"), 0, 1, Legend});
    L.Parts.push_back({Triangle, 6, 0, PlayGreen});
    L.Parts.push_back({TextToMask(TFontFace::Small, "1"), 13, 1, Legend});
    L.Width = 16;
    L.Height = 7;
  }
  {
    TLegend& L = Legends[UploadId];
    const TPixelMask Caption = TextToMask(TFontFace::Large, "UPLOAD");
    L.Parts.push_back(
        {TPixelMask({"...#...", "..###..", ".#####.", "#######", "..###..", "..###..", "..###.."}),
         0, 0, PlayGreen});
    L.Parts.push_back({Caption, 11, 0, Legend});
    L.Width = 11 + Caption.Width();
    L.Height = 7;
  }
}

TColour TWindowArt::Panel(double X, double Y) const {
  const int IX = int(std::floor(X)), IY = int(std::floor(Y));

  for (const TBoxPlace& Box : DisplayBoxes)
    if (IX >= Box.Left && IX < Box.Left + Box.Width && IY >= Box.Top && IY < Box.Top + Box.Height)
      return GridColours[GridLevel(IX - Box.Left, IY - Box.Top)];

  // Window edge: a dark outline with a bevel inside it.
  if (IX <= 0 || IY <= 0 || IX >= WindowWidth - 1 || IY >= WindowHeight - 1) return Rgb(46, 47, 51);
  if (IX == WindowWidth - 2 || IY == WindowHeight - 2) return Rgb(148, 149, 154);
  if (IX == 1) return Rgb(246, 247, 249);

  TColour C = Casing(IY);

  // Caption strip: a light bar with the name at its left end and grip lines after it.
  if (IY <= CaptionHeight) {
    if (IY == CaptionHeight) return Rgb(118, 119, 124);
    if (IY == 1) return Rgb(252, 252, 253);
    C = Mix(Rgb(236, 237, 240), Rgb(212, 213, 217), (IY - 2) / 14.0);
    const int TitleX = 7, TitleY = 5;
    if (Title.At(IX - TitleX, IY - TitleY)) return CaptionInk;
    if (Title.At(IX - TitleX - 1, IY - TitleY - 1)) return Rgb(255, 255, 255);
    const int GripLeft = TitleX + Title.Width() + 7, GripRight = ButtonPlaces[MinimizeId].Left - 5;
    if (IX >= GripLeft && IX <= GripRight) {
      const int Phase = (IY - 5) % 3;
      if (IY >= 5 && IY <= 12 && Phase == 0) return Rgb(156, 157, 163);
      if (IY >= 6 && IY <= 13 && Phase == 1) return Rgb(250, 250, 252);
    }
    for (int Id : {MinimizeId, CloseId}) {  // the shallow wells the caption keys sit in
      const TButtonPlace& B = ButtonPlaces[Id];
      if (IX >= B.Left - 1 && IX <= B.Left + B.Width && IY >= B.Top - 1 && IY <= B.Top + B.Height)
        return Darken(C, 0.22);
    }
    return C;
  }
  if (IY == CaptionHeight + 1) return Rgb(238, 239, 242);

  // Display bezels: dark frame and a chamfer into the panel.
  for (const TBoxPlace& Box : DisplayBoxes) {
    const int Right = Box.Left + Box.Width - 1, Bottom = Box.Top + Box.Height - 1;
    const int DX = std::max({Box.Left - IX, IX - Right, 0});
    const int DY = std::max({Box.Top - IY, IY - Bottom, 0});
    const int D = std::max(DX, DY);
    if (D == 0 || D > 5) continue;
    if (D == 1) return Rgb(10, 10, 11);
    if (D == 2) return Rgb(24, 25, 27);
    if (D == 3) return Rgb(40, 41, 45);
    const bool AtTop = IY == Box.Top - D, AtLeft = IX == Box.Left - D;
    const bool AtBottom = IY == Bottom + D, AtRight = IX == Right + D;
    const bool Shadowed = (AtTop && !AtRight) || (AtLeft && !AtBottom);
    if (D == 4) return Shadowed ? Rgb(120, 121, 127) : Rgb(244, 245, 247);
    return Shadowed ? Darken(C, 0.08) : Offset(C, 10);
  }

  // Knob deck: an inset plate, darker than the casing, shaded by height only.
  const auto DeckField = [](double PX, double PY) {
    return RoundRectDistance(PX, PY, DeckLeft, DeckTop, DeckWidth, DeckHeight, DeckRadius);
  };
  const double Deck = DeckField(X, Y);
  if (Deck < 1.5) {
    if (Deck < 0) {
      const double T = Clamp01((Y - DeckTop) / DeckHeight);
      C = Mix(Rgb(178, 180, 186), Rgb(166, 168, 174), T);
    }
    if (Deck > -1.5) {
      double NX, NY;
      Normal(DeckField, X, Y, NX, NY);
      const double Facing = -(NX * LightX + NY * LightY);  // the inner wall faces the centre
      const double Wall = 1 - SmoothStep(0.5, 1.5, std::fabs(Deck));
      C = Offset(C, Wall * Facing * 52);
    }
  }

  // Tick marks round every knob position; drawn relative to each knob centre so
  // that the three knobs of a row sit on identical ground.
  for (int Row = 0; Row < 2; ++Row)
    for (int Col = 0; Col < 3; ++Col) {
      const double CX = KnobColumnsX[Col] + KnobSize / 2.0, CY = KnobRowsY[Row] + KnobSize / 2.0;
      const double R = Length(X - CX, Y - CY);
      if (R < 9.5 || R > 14) continue;
      for (int Tick = 0; Tick <= 6; ++Tick) {
        const double DX = TickDirections[Tick].X, DY = TickDirections[Tick].Y;
        const double Outer = Tick % 3 == 0 ? 13.6 : 12.6;
        if (SegmentDistance(X, Y, CX + DX * 10.4, CY + DY * 10.4, CX + DX * Outer,
                            CY + DY * Outer) < 0.6)
          C = Ink;
      }
    }

  // Letter badges between the knob rows: raised enamel discs.
  for (int Col = 0; Col < 3; ++Col) {
    const double CX = KnobColumnsX[Col] + KnobSize / 2.0 + 0.5;
    const double Shadow = Length(X - CX - 0.6, Y - BadgeY - 0.9);
    if (Shadow < BadgeRadius + 1.2)
      C = Darken(C, 0.3 * (1 - SmoothStep(BadgeRadius - 0.4, BadgeRadius + 1.2, Shadow)));
    const double R = Length(X - CX, Y - BadgeY);
    if (R < BadgeRadius) {
      if (R > BadgeRadius - 0.9) {
        C = Rgb(150, 128, 64);
      } else {
        const double Lit = -((X - CX) * LightX + (Y - BadgeY) * LightY) / BadgeRadius;
        C = Offset(Rgb(248, 236, 168), -Lit * 10);
        const int LX = int(std::floor(CX)) - 2, LY = int(std::floor(BadgeY)) - 3;
        if (BadgeLetters[Col].At(IX - LX, IY - LY)) C = Rgb(64, 46, 20);
      }
    }
  }

  // Wells round the keys: a dark line just outside each key.
  const auto Well = [&](int Left, int Top, int Width, int Height) {
    return IX >= Left - 1 && IX <= Left + Width && IY >= Top - 1 && IY <= Top + Height;
  };
  const TButtonPlace& First = ButtonPlaces[LeftId];
  const TButtonPlace& Last = ButtonPlaces[RightId];
  if (Well(First.Left, First.Top, Last.Left + Last.Width - First.Left, First.Height))
    C = Darken(C, 0.45);
  for (int Id : {Play0Id, PlayAllId, Play1Id, UploadId}) {
    const TButtonPlace& B = ButtonPlaces[Id];
    if (Well(B.Left, B.Top, B.Width, B.Height)) C = Darken(C, 0.45);
  }
  {
    const TButtonPlace& M = ButtonPlaces[MenuId];
    const double R = Length(X - (M.Left + 8), Y - (M.Top + 8));
    if (R < 9.2) C = Darken(C, 0.45 * (1 - SmoothStep(8.4, 9.2, R)));
  }

  // Labels.
  const auto Label = [&](const TTextMask& Mask, int Left, int Top) {
    return Mask.At(IX - Left, IY - Top);
  };
  if (Label(WaveLabel0, 24, 22) || Label(WaveLabel1, 24, 191) ||
      Label(MenuLabel, ButtonPlaces[MenuId].Left + 8 - MenuLabel.Width() / 2, 160) ||
      Label(NodeLabel, 76 - NodeLabel.Width() / 2, 133) ||
      Label(PlayLabel, ButtonPlaces[Play0Id].Left + 13 - PlayLabel.Width() / 2, 116))
    C = LabelInk;

  // Screws.
  for (const TScrew& S : Screws) {
    const double U = X - S.X, V = Y - S.Y;
    const double Shadow = Length(U - 0.6, V - 0.9);
    if (Shadow < 4.6) C = Darken(C, 0.35 * (1 - SmoothStep(3.2, 4.6, Shadow)));
    const double R = Length(U, V);
    if (R < 3.4) {
      const double Lit = -(U * LightX + V * LightY) / 3.4;
      C = Offset(Rgb(178, 180, 186), Lit * 44);
      if (R > 2.8) C = Rgb(104, 106, 112);
      const double A = Radians(S.Turn);
      const double Along = U * Cosine(A) + V * Sine(A), Across = -U * Sine(A) + V * Cosine(A);
      if (R < 2.3 && (std::fabs(Along) < 0.55 || std::fabs(Across) < 0.55)) C = Rgb(62, 63, 68);
    }
  }
  return C;
}

TColour TWindowArt::Button(int Id, int Glyph, double X, double Y) const {
  const TButtonPlace& B = ButtonPlaces[Id];
  const bool Pressed = Glyph == 1;
  const bool Light = Id == MinimizeId || Id == CloseId;
  const TKeyStyle& Style =
      Light ? (Pressed ? LightKeyPressed : LightKey) : (Pressed ? DarkKeyPressed : DarkKey);
  const TColour Under = Panel(X, Y);

  double Inside;  // signed distance to the key's edge
  double NX, NY;
  if (Id == MenuId) {
    const double CX = B.Left + 8, CY = B.Top + 8;
    Inside = Length(X - CX, Y - CY) - 7.6;
    NX = X - CX;
    NY = Y - CY;
    const double L = Length(NX, NY);
    if (L > 0) NX /= L, NY /= L;
  } else {
    const auto Field = [&](double PX, double PY) {
      return RoundRectDistance(PX, PY, B.Left, B.Top, B.Width, B.Height, Style.Radius);
    };
    Inside = Field(X, Y);
    Normal(Field, X, Y, NX, NY);
  }
  if (Inside > 0) return Under;
  if (Inside > -1) return Style.Outline;
  if (Inside > -2) {
    const double Facing = NX * LightX + NY * LightY;
    return Facing > 0 ? Style.Highlight : Style.Lowlight;
  }

  TColour C;
  if (Id == MenuId) {  // a domed round key
    const double U = (X - B.Left - 8) / 6, V = (Y - B.Top - 8) / 6;
    const double Lit = -(U * LightX + V * LightY);
    C = Offset(Mix(Style.FaceTop, Style.FaceBottom, 0.5), (Pressed ? -8 : 16) * Lit);
  } else {
    C = Mix(Style.FaceTop, Style.FaceBottom, Clamp01((Y - B.Top - 2) / (B.Height - 4)));
  }

  const TLegend& L = Legends[Id];
  const int Shift = Pressed ? 1 : 0;
  const int LX = B.Left + (B.Width - L.Width) / 2 + Shift;
  const int LY = B.Top + (B.Height - L.Height) / 2 + Shift;
  const int IX = int(std::floor(X)), IY = int(std::floor(Y));
  for (const TLegendPart& Part : L.Parts)
    if (Part.Mask.At(IX - LX - Part.X, IY - LY - Part.Y))
      C = Pressed ? Mix(Part.Colour, C, 0.15) : Part.Colour;
  return C;
}

TColour TWindowArt::Knob(int Frame, double X, double Y, double CenterX, double CenterY) const {
  TColour C = Panel(X, Y);
  const double U = X - CenterX, V = Y - CenterY;

  const double Shadow = Length(U - 0.6, V - 1.0);
  if (Shadow < 9.6) C = Darken(C, 0.5 * (1 - SmoothStep(7.6, 9.6, Shadow)));
  const double R = Length(U, V);
  if (R >= 8.6) return C;

  const double DX = PointerDirections[Frame].X, DY = PointerDirections[Frame].Y;
  const double NX = R > 0 ? U / R : 0, NY = R > 0 ? V / R : 0;
  const double Lit = NX * LightX + NY * LightY;

  // Skirt: rounded rim and fine grip ridges that turn with the pointer.
  C = Offset(Rgb(46, 47, 52), -V * 0.8);
  C = Offset(C, 50 * Lit * SmoothStep(6.6, 8.6, R));
  if (R > 6.4) {
    const double CosD = NX * DX + NY * DY;  // cosine of the angle from the pointer
    double T0 = 1, T1 = CosD;               // Chebyshev recurrence: cos(n * angle)
    for (int N = 2; N <= 20; ++N) {
      const double T2 = 2 * CosD * T1 - T0;
      T0 = T1;
      T1 = T2;
    }
    C = Offset(C, 9 * T1);
  }
  if (R > 8.0) C = Darken(C, 0.35);

  // Cap, separated from the skirt by a groove.
  if (R < 6.3) C = Rgb(22, 22, 25);
  if (R < 5.6) {
    const double Spin = 2 * Lit * Lit - 1;  // satin sheen of spun metal
    C = Offset(Rgb(80, 82, 90), 24 * (U * LightX + V * LightY) / 5.6 + 9 * Spin);
  }

  if (SegmentDistance(U, V, DX * 2.0, DY * 2.0, DX * 8.1, DY * 8.1) < 0.85) C = Rgb(248, 246, 234);
  return C;
}

TColour TWindowArt::Scene(double X, double Y) const {
  const int IX = int(std::floor(X)), IY = int(std::floor(Y));
  for (int Id = 0; Id < ButtonCount; ++Id) {
    const TButtonPlace& B = ButtonPlaces[Id];
    if (IX >= B.Left && IX < B.Left + B.Width && IY >= B.Top && IY < B.Top + B.Height)
      return Button(Id, 0, X, Y);
  }
  for (int Row = 0; Row < 2; ++Row)
    for (int Col = 0; Col < 3; ++Col) {
      const int KX = KnobColumnsX[Col], KY = KnobRowsY[Row];
      if (IX >= KX && IX < KX + KnobSize && IY >= KY && IY < KY + KnobSize)
        return Knob(KnobRestFrames[Col], X, Y, KX + KnobSize / 2.0, KY + KnobSize / 2.0);
    }
  return Panel(X, Y);
}

TRgbImage TWindowArt::Background() const {
  return RenderScene(0, 0, WindowWidth, WindowHeight, WindowSamples,
                     [this](double X, double Y) { return Scene(X, Y); });
}

TRgbImage TWindowArt::ButtonSource() const {
  TRgbImage Skin(ButtonSkinWidth, ButtonSkinHeight, TRgb{190, 191, 195});
  for (int Id = 0; Id < ButtonCount; ++Id) {
    const TButtonPlace& B = ButtonPlaces[Id];
    for (int Glyph = 0; Glyph < 2; ++Glyph) {
      const TRgbImage Cell =
          RenderScene(B.Left, B.Top, B.Width, B.Height, WindowSamples,
                      [&](double X, double Y) { return Button(Id, Glyph, X, Y); });
      Skin.Paste(Cell, 0, 0, B.Width, B.Height, B.SkinX + B.Width * (Glyph % B.Columns),
                 B.Height * (Glyph / B.Columns));
    }
  }
  return Skin;
}

TRgbImage TWindowArt::KnobSource() const {
  TRgbImage Skin(KnobSize * KnobFrames, KnobSize * 2);
  for (int Row = 0; Row < 2; ++Row)
    for (int Frame = 0; Frame < KnobFrames; ++Frame) {
      // Any knob of the row will do: all three stand on the same ground.
      const int KX = KnobColumnsX[0], KY = KnobRowsY[Row];
      const TRgbImage Cell =
          RenderScene(KX, KY, KnobSize, KnobSize, WindowSamples, [&](double X, double Y) {
            return Knob(Frame, X, Y, KX + KnobSize / 2.0, KY + KnobSize / 2.0);
          });
      Skin.Paste(Cell, 0, 0, KnobSize, KnobSize, KnobSize * Frame, KnobSize * Row);
    }
  return Skin;
}
