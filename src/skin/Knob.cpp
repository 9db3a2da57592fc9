#include "Knob.h"

#include <cmath>
#include <cstdint>

#include "Integers.h"

namespace {

// The pointer turns about this pixel of the 27 by 27 pictures.
constexpr int CentreX = 13;
constexpr int CentreY = 13;
// Far enough to leave every picture; the line is clipped at its edge.
constexpr long double PointerLength = 300;

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

// Repaints at the next paint cycle, not at once; every call is reported.
void TKnob::SetPosition(int Value) {
  Range.SetPosition(Value);
  Invalidate();
  if (OnChange) OnChange(this);
}

void TKnob::SetMin(int Value) {
  if (Range.SetMin(Value)) Invalidate();
}

void TKnob::SetMax(int Value) {
  if (Range.SetMax(Value)) Invalidate();
}

// Each step is rounded to single precision where the knob always rounded it;
// the grid of 0..100 comes out as 0, 16, 33, 50, 66, 83, 100 only this way.
// The intermediate sums run in extended precision.
int TKnob::SnapToGrid(int Value) const {
  const long double Min = Range.Min();
  const float Step = static_cast<float>(static_cast<long double>(Range.Span()) * (1.0L / 6));
  const float Index = static_cast<float>((static_cast<long double>(Value) - Min) / Step + 0.5L);
  const long double K = std::trunc(static_cast<long double>(Index));
  const float Offset = static_cast<float>(K * Step);
  return TruncateToInt(Min + static_cast<long double>(Offset));
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
  const long double Share = (static_cast<long double>(Range.Position()) - Range.Min()) /
                            static_cast<long double>(Range.Span());
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
  const int Position = Range.Position();
  const std::int64_t Sixth = Range.Span() / 6;
  switch (Key) {
    case VK_UP:
    case VK_RIGHT:
      if (!Snap) {
        SetPosition(SaturateToInt(static_cast<std::int64_t>(Position) + SmallChange));
      } else if (const int Grid = SnapToGrid(Position); Grid > Position) {
        SetPosition(Grid);
      } else {
        SetPositionSnapped(SaturateToInt(Position + Sixth), true);
      }
      break;
    case VK_LEFT:
    case VK_DOWN:
      if (!Snap) {
        SetPosition(SaturateToInt(static_cast<std::int64_t>(Position) - SmallChange));
      } else if (const int Grid = SnapToGrid(Position); Grid < Position) {
        SetPosition(Grid);
      } else {
        SetPositionSnapped(SaturateToInt(Position - Sixth), true);
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
  DragStartPosition = Range.Position();
  Snapping = Shift.Contains(ssCtrl) || Shift.Contains(ssRight);
  if (Snapping) SetPositionSnapped(Range.Position(), true);
}

// Switching snapping on or off restarts the drag where the pointer is; a
// snapping drag covers the range in a third of the pixels.
void TKnob::MouseMove(TShiftState Shift, int, int Y) {
  if (!Dragging || Sensitivity < 3) return;
  const bool Snap = Shift.Contains(ssCtrl) || Shift.Contains(ssRight);
  if (Snap != Snapping) {
    Snapping = Snap;
    DragStartY = Y;
    DragStartPosition = Range.Position();
  }
  const int Pixels = Snapping ? Sensitivity / 3 : Sensitivity;
  SetPositionSnapped(Range.Dragged(DragStartPosition, DragStartY, Y, Pixels), Snapping);
}

void TKnob::MouseUp(TMouseButton Button, TShiftState, int, int) {
  if (Button == mbLeft) Dragging = false;
}
