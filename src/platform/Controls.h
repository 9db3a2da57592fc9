#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

#include "Canvas.h"
#include "PixelArt.h"
#include "Types.h"

// Notices and window messages a control can take through Dispatch; the ids
// keep the values the controls were written against.
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
constexpr std::uint32_t WM_GETDLGCODE = 0x0087;
constexpr std::uint32_t CM_MOUSEENTER = 0xB013;
constexpr std::uint32_t CM_MOUSELEAVE = 0xB014;

// Answers to WM_GETDLGCODE: which keys the control keeps from dialog navigation.
constexpr std::intptr_t DLGC_WANTARROWS = 0x01;
constexpr std::intptr_t DLGC_WANTTAB = 0x02;
constexpr std::intptr_t DLGC_WANTCHARS = 0x80;

struct TMessage {
  std::uint32_t Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// The toolkit's view of Qt's mouse state; ButtonFrom is false for buttons
// other than the three the controls know.
TShiftState ShiftFrom(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);
bool ButtonFrom(Qt::MouseButton Button, TMouseButton& Result);

// Maps a Qt key to its virtual key code; 0 for keys without one.
std::uint16_t VirtualKeyFromQt(int QtKey);

// A windowed control that draws itself on its own canvas and takes the mouse
// and the keyboard through virtual operations. The base operations fire the
// published events. Pointer-enter and pointer-leave notices, focus changes and
// the dialog-code query arrive through Dispatch, where a subclass may consume
// them; the notices also reach the control that holds the mouse while a button
// is down. An exception escaping any of these goes to the application's
// exception report instead of unwinding through Qt.
class TCustomControl : public QWidget {
 public:
  explicit TCustomControl(QWidget* Parent = nullptr);
  ~TCustomControl() override;

  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TKeyEvent OnKeyDown;

  // Valid for drawing while Paint runs.
  TCanvas& Canvas() { return *FCanvas; }

  // Place and size in the pixels of the form, which a pixel-art form may show
  // enlarged; mouse positions come in the control's own pixels as well.
  int Left() const { return PixelBounds(*this).x(); }
  int Top() const { return PixelBounds(*this).y(); }
  int Width() const { return PixelBounds(*this).width(); }
  int Height() const { return PixelBounds(*this).height(); }
  void SetBounds(int Left, int Top, int Width, int Height);

  // An opaque control covers its whole area when it paints, so nothing is
  // drawn behind it first; otherwise what lies beneath shows where it does not.
  void SetOpaque(bool Opaque);
  bool Opaque() const;
  // Whether the control covers its logical area depends on the scale its
  // form is shown at; the form calls this whenever that scale changes.
  void ScaleChanged();

  // Paint at the next paint cycle.
  void Invalidate() { update(); }
  // Paint now, before returning (when the control is visible).
  void Repaint() { repaint(); }

  // The parent's background colour (the control's own without a parent).
  TColor ParentBackgroundColor() const;

  bool Focused() const { return hasFocus(); }
  void SetFocus() { setFocus(Qt::OtherFocusReason); }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);

  virtual void Dispatch(TMessage& Message);

 protected:
  virtual void Paint();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void KeyDown(std::uint16_t& Key, TShiftState Shift);

  // What a message does when no subclass takes it.
  void DefaultHandler(TMessage& Message);

  bool event(QEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void enterEvent(QEnterEvent* Event) override;
  void leaveEvent(QEvent* Event) override;
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  // Sends the enter or leave notice when the pointer's side of the control
  // changes; never twice in a row.
  void PointerIsInside(bool Inside);
  void Send(std::uint32_t Msg);
  void Press(QMouseEvent* Event, bool Double);

  std::unique_ptr<TCanvas> FCanvas;
  bool FTabStop = false;
  bool FOpaque = false;
  bool PointerOver = false;
};
