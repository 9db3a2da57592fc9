#include "Knob.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

// The pointer turns about this pixel of the 27 by 27 pictures.
constexpr int CentreX = 13;
constexpr int CentreY = 13;
// Far enough to leave every picture; the line is clipped at its edge.
constexpr long double PointerLength = 300;

// Truncates toward zero; values beyond the int range stop at its ends.
int TruncateToInt(long double Value) {
  if (Value >= 2147483647.0L) return INT_MAX;
  if (Value <= -2147483648.0L) return INT_MIN;
  return static_cast<int>(Value);
}

int Saturated(std::int64_t Value) {
  return static_cast<int>(std::clamp<std::int64_t>(Value, INT_MIN, INT_MAX));
}

std::unique_ptr<TBitmap> Loaded(const char* Name) {
  auto Bitmap = std::make_unique<TBitmap>();
  Bitmap->LoadFromResourceName(Name);
  return Bitmap;
}

}  // namespace

TKnob::TKnob(QWidget* Parent)
    : TCustomControl(Parent),
      FaceBitmap(Loaded("KNOBNORMAL")),
      FocusFaceBitmap(Loaded("KNOBFOCUS")),
      MaskBitmap(Loaded("KNOBMASK")),
      PointerBitmap(Loaded("KNOBNORMAL")),
      BufferBitmap(Loaded("KNOBNORMAL")),
      FaceRect(Rect(0, 0, FaceBitmap->Width(), FaceBitmap->Height())) {
  resize(27, 27);
  SetTabStop(true);
}

TKnob::~TKnob() = default;

void TKnob::SetPosition(int Value) {
  FPosition = Value;
  if (FPosition < FMin) FPosition = FMin;
  if (FPosition > FMax) FPosition = FMax;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TKnob::SetMin(int Value) {
  if (Value >= FMax) return;
  FMin = Value;
  if (FPosition < FMin) FPosition = FMin;
  Invalidate();
}

void TKnob::SetMax(int Value) {
  if (Value <= FMin) return;
  FMax = Value;
  if (FPosition > FMax) FPosition = FMax;
  Invalidate();
}

// Each step is rounded to single precision where the knob always rounded it;
// the grid of 0..100 comes out as 0, 16, 33, 50, 66, 83, 100 only this way.
// The intermediate sums run in extended precision.
int TKnob::SnapToGrid(int Value) const {
  const long double Range = static_cast<long double>(FMax) - FMin;
  const float Step = static_cast<float>(Range * (1.0L / 6));
  const float Index = static_cast<float>((static_cast<long double>(Value) - FMin) / Step + 0.5L);
  const long double K = std::trunc(static_cast<long double>(Index));
  const float Offset = static_cast<float>(K * Step);
  return TruncateToInt(FMin + static_cast<long double>(Offset));
}

void TKnob::SetPositionSnapped(int Value, bool Snap) {
  SetPosition(Snap ? SnapToGrid(Value) : Value);
}

void TKnob::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Repaint();
      break;
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      break;
    default:
      TCustomControl::Dispatch(Message);
      break;
  }
}

void TKnob::Paint() {
  const TBitmap& Face = Focused() ? *FocusFaceBitmap : *FaceBitmap;
  TCanvas& Buffer = BufferBitmap->Canvas();
  Buffer.SetBrushColor(ParentBackgroundColor());
  Buffer.BrushCopy(FaceRect, Face, FaceRect, clRed);

  TCanvas& Pointer = PointerBitmap->Canvas();
  Pointer.SetBrushColor(clWhite);
  Pointer.FillRect(Rect(0, 0, PointerBitmap->Width(), PointerBitmap->Height()));
  // 225 degrees (lower left) at Min, clockwise through straight up to -45
  // degrees (lower right) at Max.
  const long double Pi = 4 * std::atan(1.0L);
  const long double Share =
      (static_cast<long double>(FPosition) - FMin) / (static_cast<long double>(FMax) - FMin);
  const long double Theta = 1.25L * Pi - 1.5L * Pi * Share;
  Pointer.SetPenColor(clBlack);
  Pointer.MoveTo(CentreX, CentreY);
  Pointer.LineTo(TruncateToInt(CentreX + PointerLength * std::cos(Theta)),
                 TruncateToInt(CentreY - PointerLength * std::sin(Theta)));
  // White outside the mask's disc wipes the line there; inside, the line
  // turns the face black and white leaves it alone.
  Pointer.SetCopyMode(cmSrcPaint);
  Pointer.CopyRect(FaceRect, *MaskBitmap, FaceRect);
  Buffer.SetCopyMode(cmSrcAnd);
  Buffer.CopyRect(FaceRect, *PointerBitmap, FaceRect);
  Buffer.SetCopyMode(cmSrcCopy);

  Canvas().SetCopyMode(cmSrcCopy);
  Canvas().CopyRect(FaceRect, *BufferBitmap, FaceRect);
}

void TKnob::KeyDown(std::uint16_t& Key, TShiftState Shift) {
  const bool Snap = Shift.Contains(ssCtrl);
  const std::int64_t Sixth = (static_cast<std::int64_t>(FMax) - FMin) / 6;
  switch (Key) {
    case VK_UP:
    case VK_RIGHT:
      if (!Snap) {
        SetPosition(Saturated(static_cast<std::int64_t>(FPosition) + SmallChange));
      } else if (const int Grid = SnapToGrid(FPosition); Grid > FPosition) {
        SetPosition(Grid);
      } else {
        SetPositionSnapped(Saturated(FPosition + Sixth), true);
      }
      break;
    case VK_LEFT:
    case VK_DOWN:
      if (!Snap) {
        SetPosition(Saturated(static_cast<std::int64_t>(FPosition) - SmallChange));
      } else if (const int Grid = SnapToGrid(FPosition); Grid < FPosition) {
        SetPosition(Grid);
      } else {
        SetPositionSnapped(Saturated(FPosition - Sixth), true);
      }
      break;
    default:
      TCustomControl::KeyDown(Key, Shift);
      break;
  }
  Key = 0;
}

void TKnob::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (TabStop()) SetFocus();
  if (Button != mbLeft) return;
  Dragging = true;
  DragStartY = Y;
  DragStartPosition = FPosition;
  Snapping = Shift.Contains(ssCtrl) || Shift.Contains(ssRight);
  if (Snapping) SetPositionSnapped(FPosition, true);
}

// Measured from where the drag began, or from where snapping was last switched
// on or off; never added up move by move. Products are taken in 64 bits, so a
// wide range cannot wrap.
void TKnob::MouseMove(TShiftState Shift, int, int Y) {
  if (!Dragging || Sensitivity < 3) return;
  const bool Snap = Shift.Contains(ssCtrl) || Shift.Contains(ssRight);
  if (Snap != Snapping) {
    Snapping = Snap;
    DragStartY = Y;
    DragStartPosition = FPosition;
  }
  const std::int64_t Dy = static_cast<std::int64_t>(Y) - DragStartY;
  const std::int64_t Pixels = Snapping ? Sensitivity / 3 : Sensitivity;
  const std::int64_t Step = (static_cast<std::int64_t>(FMax) - FMin) * Dy / Pixels;
  SetPositionSnapped(Saturated(DragStartPosition - Step), Snapping);
}

void TKnob::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft) Dragging = false;
}
