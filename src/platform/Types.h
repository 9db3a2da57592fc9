#pragma once

#include <cstdint>
#include <functional>

// Basic types of the toolkit layer: colours, points and rectangles, mouse and
// key vocabulary, and the event callback shapes the controls publish.

class QObject;
using TObject = QObject;

// A colour as the forms and art tables write it: 0x00BBGGRR.
using TColor = std::uint32_t;

constexpr TColor RGB(int R, int G, int B) {
  return static_cast<TColor>((R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16));
}
constexpr int GetRValue(TColor C) {
  return static_cast<int>(C & 0xFF);
}
constexpr int GetGValue(TColor C) {
  return static_cast<int>((C >> 8) & 0xFF);
}
constexpr int GetBValue(TColor C) {
  return static_cast<int>((C >> 16) & 0xFF);
}

// Conversions to and from Qt's 0xAARRGGBB; a colour is always opaque.
constexpr unsigned RgbFromColor(TColor C) {
  return 0xFF000000u | (static_cast<unsigned>(GetRValue(C)) << 16) |
         (static_cast<unsigned>(GetGValue(C)) << 8) | static_cast<unsigned>(GetBValue(C));
}
constexpr TColor ColorFromRgb(unsigned Rgb) {
  return RGB(static_cast<int>((Rgb >> 16) & 0xFF), static_cast<int>((Rgb >> 8) & 0xFF),
             static_cast<int>(Rgb & 0xFF));
}

constexpr TColor clBlack = RGB(0, 0, 0);
constexpr TColor clWhite = RGB(255, 255, 255);
constexpr TColor clRed = RGB(255, 0, 0);
constexpr TColor clLime = RGB(0, 255, 0);
constexpr TColor clBlue = RGB(0, 0, 255);
constexpr TColor clGray = RGB(128, 128, 128);
constexpr TColor clSilver = RGB(192, 192, 192);
// No colour: what a pixel read outside a picture answers.
constexpr TColor clNone = 0x1FFFFFFF;

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int X, int Y) {
  return TPoint{X, Y};
}
constexpr TRect Rect(int Left, int Top, int Right, int Bottom) {
  return TRect{Left, Top, Right, Bottom};
}

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag : std::uint8_t {
  ssShift = 1 << 0,
  ssAlt = 1 << 1,
  ssCtrl = 1 << 2,
  ssLeft = 1 << 3,
  ssRight = 1 << 4,
  ssMiddle = 1 << 5,
  ssDouble = 1 << 6,
};

// The keys and mouse buttons held during an event.
class TShiftState {
 public:
  constexpr TShiftState() = default;
  constexpr TShiftState(TShiftFlag Flag) : Bits(Flag) {}

  constexpr bool Contains(TShiftFlag Flag) const { return (Bits & Flag) != 0; }
  constexpr bool Empty() const { return Bits == 0; }
  constexpr TShiftState& operator<<(TShiftFlag Flag) {
    Bits = static_cast<std::uint8_t>(Bits | Flag);
    return *this;
  }
  constexpr TShiftState& operator>>(TShiftFlag Flag) {
    Bits = static_cast<std::uint8_t>(Bits & ~Flag);
    return *this;
  }
  friend constexpr TShiftState operator|(TShiftState A, TShiftFlag B) { return A << B; }
  friend constexpr bool operator==(TShiftState, TShiftState) = default;

 private:
  std::uint8_t Bits = 0;
};

constexpr TShiftState operator|(TShiftFlag A, TShiftFlag B) {
  return TShiftState(A) << B;
}

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;

// Virtual key codes keep the values the controls were written against; letters
// and digits are their upper-case ASCII codes.
constexpr std::uint16_t VK_BACK = 0x08;
constexpr std::uint16_t VK_TAB = 0x09;
constexpr std::uint16_t VK_RETURN = 0x0D;
constexpr std::uint16_t VK_SHIFT = 0x10;
constexpr std::uint16_t VK_CONTROL = 0x11;
constexpr std::uint16_t VK_MENU = 0x12;
constexpr std::uint16_t VK_ESCAPE = 0x1B;
constexpr std::uint16_t VK_SPACE = 0x20;
constexpr std::uint16_t VK_PRIOR = 0x21;
constexpr std::uint16_t VK_NEXT = 0x22;
constexpr std::uint16_t VK_END = 0x23;
constexpr std::uint16_t VK_HOME = 0x24;
constexpr std::uint16_t VK_LEFT = 0x25;
constexpr std::uint16_t VK_UP = 0x26;
constexpr std::uint16_t VK_RIGHT = 0x27;
constexpr std::uint16_t VK_DOWN = 0x28;
constexpr std::uint16_t VK_INSERT = 0x2D;
constexpr std::uint16_t VK_DELETE = 0x2E;
constexpr std::uint16_t VK_F1 = 0x70;
