#pragma once

#include <QPointF>
#include <QWidget>
#include <QWindow>

// The entry through which QtTest feeds mouse input into Qt as if it came from
// the window system (exported by QtGui for that purpose). Events take Qt's
// whole path: double-click detection, the choice of receiver (the widget under
// the pointer, or the one holding the mouse while a button is down) and the
// enter and leave notices Qt sends itself.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* Window, const QPointF& Local, const QPointF& Global,
                                      Qt::MouseButtons State, Qt::MouseButton Button,
                                      QEvent::Type Type, Qt::KeyboardModifiers Modifiers,
                                      int Timestamp);

// Drives the pointer over a shown top-level window. Positions are given in the
// coordinates of any widget of that window. Time is the driver's own: presses
// lie far apart, except for the second press of a double click.
class TPointerDriver {
 public:
  explicit TPointerDriver(QWidget& Window) : Window(Window) {}

  void Move(QWidget& In, QPoint At, Qt::KeyboardModifiers Keys = Qt::NoModifier) {
    Send(QEvent::MouseMove, In, At, Qt::NoButton, Keys, 1);
  }
  // A move the window system reported while the window still stood with its
  // top left corner at Origin, and that waited in the queue while it moved.
  void MoveReportedAt(QPoint Origin, QWidget& In, QPoint At) {
    Clock += 1;
    const QPointF Local = In.mapTo(&Window, At);
    qt_handleMouseEvent(Window.windowHandle(), Local, Local + Origin, Held, Qt::NoButton,
                        QEvent::MouseMove, Qt::NoModifier, Clock);
  }
  void Press(QWidget& In, QPoint At, Qt::MouseButton Button = Qt::LeftButton,
             Qt::KeyboardModifiers Keys = Qt::NoModifier) {
    Held |= Button;
    Send(QEvent::MouseButtonPress, In, At, Button, Keys, 10000);
  }
  // A press right after the previous one, which Qt turns into a double click.
  void DoublePress(QWidget& In, QPoint At, Qt::MouseButton Button = Qt::LeftButton) {
    Held |= Button;
    Send(QEvent::MouseButtonPress, In, At, Button, Qt::NoModifier, 1);
  }
  void Release(QWidget& In, QPoint At, Qt::MouseButton Button = Qt::LeftButton,
               Qt::KeyboardModifiers Keys = Qt::NoModifier) {
    Held &= ~Qt::MouseButtons(Button);
    Send(QEvent::MouseButtonRelease, In, At, Button, Keys, 1);
  }
  void Click(QWidget& In, QPoint At, Qt::MouseButton Button = Qt::LeftButton) {
    Move(In, At);
    Press(In, At, Button);
    Release(In, At, Button);
  }

 private:
  void Send(QEvent::Type Type, QWidget& In, QPoint At, Qt::MouseButton Button,
            Qt::KeyboardModifiers Keys, int Elapsed) {
    Clock += Elapsed;
    const QPointF Local = In.mapTo(&Window, At);
    qt_handleMouseEvent(Window.windowHandle(), Local, Window.mapToGlobal(Local), Held, Button, Type,
                        Keys, Clock);
  }

  // Shared by all drivers, so that time never runs backwards between tests.
  static inline int Clock = 0;
  QWidget& Window;
  Qt::MouseButtons Held;
};
