#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

#include "PointerDriver.h"
#include "Skincontrol.h"
#include "Skinsource.h"

// Every pixel of a coordinate skin names its own place, so a picture read back
// from a control tells exactly which skin rectangle it was copied from.
inline TColor Encode(int X, int Y) {
  return RGB(X & 0xFF, Y & 0xFF, (X >> 8) | ((Y >> 8) << 4));
}

inline void MakeCoordinateSkin(TSkinSource& Source, int Width, int Height) {
  TBitmap Skin;
  Skin.SetSize(Width, Height);
  for (int Y = 0; Y < Height; ++Y) {
    for (int X = 0; X < Width; ++X) Skin.Canvas().SetPixel(X, Y, Encode(X, Y));
  }
  Source.SetBitmap(&Skin);
}

// The control's picture, as painted now.
inline QImage Picture(QWidget& Control) {
  return Control.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline ::testing::AssertionResult ShowsCell(QWidget& Control, TRect Cell) {
  const QImage Shot = Picture(Control);
  if (Shot.width() != Cell.Width() || Shot.height() != Cell.Height()) {
    return ::testing::AssertionFailure() << "control is " << Shot.width() << "x" << Shot.height();
  }
  for (int Y = 0; Y < Shot.height(); ++Y) {
    for (int X = 0; X < Shot.width(); ++X) {
      const TColor Seen = ColorFromRgb(Shot.pixel(X, Y));
      if (Seen != Encode(Cell.Left + X, Cell.Top + Y)) {
        return ::testing::AssertionFailure()
               << "pixel " << X << "," << Y << " came from skin "
               << (GetRValue(Seen) | ((GetBValue(Seen) & 0xF) << 8)) << ","
               << (GetGValue(Seen) | ((GetBValue(Seen) >> 4) << 8)) << ", expected "
               << Cell.Left + X << "," << Cell.Top + Y;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// A shown window holding the controls under test, with the pointer to drive them.
class SkinTest : public ::testing::Test {
 protected:
  SkinTest() : Pointer(Window) {
    Window.resize(300, 200);
    Window.show();
  }

  template <class TControl>
  std::unique_ptr<TControl> Place(int Left, int Top, int Width, int Height) {
    auto Control = std::make_unique<TControl>(&Window);
    Control->SetBounds(Left, Top, Width, Height);
    Control->SetSkinSource(&Source);
    Control->show();
    return Control;
  }

  QWidget Window;
  TSkinSource Source;
  TPointerDriver Pointer;
};
