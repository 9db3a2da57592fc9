#pragma once

#include <vector>

#include "Image.h"
#include "PixelFont.h"

// The face of the main window and the two skins cut from it. Every picture is
// drawn from one scene, so a control's cell carries exactly the pixels of the
// window that lie behind the control.
class TWindowArt {
 public:
  TWindowArt();

  // The window at rest: released buttons, X knobs at frame 0, Y and T knobs at 36.
  TRgbImage Background() const;
  // Cells of all buttons, glyph 0 released and glyph 1 pressed.
  TRgbImage ButtonSource() const;
  // Two rows of 73 knob frames on the background of the upper and lower knob row.
  TRgbImage KnobSource() const;

 private:
  struct TLegendPart {
    TPixelMask Mask;
    int X, Y;  // offset within the legend
    TColour Colour;
  };
  struct TLegend {
    std::vector<TLegendPart> Parts;
    int Width = 0, Height = 0;
  };

  TColour Panel(double X, double Y) const;
  TColour Button(int Id, int Glyph, double X, double Y) const;
  TColour Knob(int Frame, double X, double Y, double CenterX, double CenterY) const;
  TColour Scene(double X, double Y) const;

  struct TDirection {
    double X, Y;  // unit vector, y downwards
  };
  TDirection TickDirections[7];
  std::vector<TDirection> PointerDirections;  // one per knob frame
  TTextMask Title, WaveLabel0, WaveLabel1, MenuLabel, NodeLabel, PlayLabel;
  std::vector<TTextMask> BadgeLetters;
  std::vector<TLegend> Legends;
};

// Supersampling used for all window pictures.
inline constexpr int WindowSamples = 6;
