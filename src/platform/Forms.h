#pragma once

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "PixelArt.h"

enum class TFormBorderStyle { bsNone, bsToolWindow };
enum class TFormPosition { poDesigned, poScreenCenter };

// A top-level form: a window placed by screen coordinates, shown normally or
// modally (through the dialog seam, so tests never block).
class TForm : public QWidget {
  Q_OBJECT

 public:
  explicit TForm(QWidget* Owner = nullptr);

  // Marks the form as pixel art, before its size and controls are set: the
  // screen shows it enlarged by a whole factor, every pixel a square block,
  // while its size, its controls' places and its screen position (Left, Top)
  // stay counted in its own pixels.
  void SetPixelArt();
  const TScreenScale* PixelArtScale() const { return PixelArt ? &Scale : nullptr; }
  const TScreenScale& ScreenScale() const { return Scale; }
  // What this form's sizes in pixels and its fonts are enlarged by; 1 for pixel art.
  double TextScale() const { return PixelArt ? 1.0 : Scale.Text; }
  int Scaled(int Pixels) const;

  int Left() const;
  int Top() const;
  void SetLeft(int Value);
  void SetTop(int Value);
  // The screen point of the point (X, Y) given as Left and Top are.
  QPoint ScreenPoint(int X, int Y) const;
  void SetClientSize(int Width, int Height);
  void SetCaption(const std::string& Caption) { setWindowTitle(QString::fromStdString(Caption)); }
  void SetBorderStyle(TFormBorderStyle Style);
  // Centres the form on the screen it is on (the primary one before it is shown).
  void CenterOnScreen();
  // With poScreenCenter the form is centred each time the program shows it.
  void SetPosition(TFormPosition Value) { Position = Value; }

  int ShowModal();
  int ModalResult() const;
  // Setting a result other than mrNone ends a modal show, as closing does.
  void SetModalResult(int Result);
  void Close() { close(); }

 protected:
  void showEvent(QShowEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  // Follows the screen the pixel-art form is on: its size and its controls.
  void Rescale();
  const TScreenScale* Enlarged() const;

  TFormPosition Position = TFormPosition::poDesigned;
  bool PixelArt = false;
  TScreenScale Scale;
  QSize Client;
};

// A text label; a click runs OnClick.
class TLabel : public QLabel {
  Q_OBJECT

 public:
  TLabel(QWidget* Parent, int Left, int Top, const std::string& Caption);
  void SetFontColor(int Red, int Green, int Blue);
  void SetUnderline(bool Underline);
  std::function<void(QObject*)> OnClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  void FitToParent();
};

// Shows one of the embedded pictures. On a pixel-art form it is part of the
// form's picture. On any other form it is an icon, pixel art of its own: shown
// at the window's whole factor, every pixel a block of device pixels, centred
// where it is laid out, and the control sized to hold it all (its laid-out
// size scaled by a fractional factor would cut the icon or leave it short).
class TImage : public QLabel {
  Q_OBJECT

 public:
  TImage(QWidget* Parent, int Left, int Top, int Width, int Height);
  void LoadFromResourceName(const std::string& Name);
  // The colour of the picture's bottom left pixel shows what lies beneath.
  void SetTransparent(bool Value);

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  void Show();
  void PlaceIcon();

  QImage Picture;
  QRect Bounds;
  bool Transparent = false;
  const TForm* IconForm = nullptr;
  // Where the icon starts within the control, in logical pixels: at a whole
  // device pixel, which the control's own origin need not be.
  QPointF IconOrigin;
};

// A push button that ends a modal form with its ModalResult.
class TButton : public QPushButton {
  Q_OBJECT

 public:
  TButton(TForm* Form, int Left, int Top, int Width, int Height, const std::string& Caption);
  void SetDefault(bool Default) {
    setDefault(Default);
    setAutoDefault(Default);
  }
  int ModalResult = mrNone;
  std::function<void(QObject*)> OnClick;
};

class TMenuItem : public QObject {
  Q_OBJECT

 public:
  TMenuItem(QMenu* Menu, const std::string& Caption);
  QAction* Action() const { return TheAction; }
  std::function<void(QObject*)> OnClick;
  // Runs the item as a user's choice would.
  void Click();

 private:
  QAction* TheAction;
};

class TPopupMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TPopupMenu(QWidget* Owner) : QMenu(Owner) {}
  TMenuItem* Add(const std::string& Caption);
  // Shows the menu with its top left corner at the screen point.
  // Shows the menu with its top left corner at the screen point, given as the
  // owning form's Left and Top are.
  void Popup(int X, int Y);
  const std::vector<TMenuItem*>& Items() const { return TheItems; }

 private:
  std::vector<TMenuItem*> TheItems;
};

// File dialogs keep their settings, the chosen name and the chosen type
// between runs, as long as the form that owns them.
class TFileDialog : public QObject {
  Q_OBJECT

 public:
  TFileDialog(QObject* Owner, bool Save) : QObject(Owner), Save(Save) {}
  std::string Filter;
  int FilterIndex = 1;
  std::string DefaultExt;
  std::string FileName;
  // The folder to start in; when empty, the folder of the last file chosen in
  // any file dialog of this run, else the home folder.
  std::string InitialDir;
  bool Execute();

  static inline std::string LastFolder;

 private:
  bool Save;
};

class TOpenDialog : public TFileDialog {
  Q_OBJECT

 public:
  explicit TOpenDialog(QObject* Owner) : TFileDialog(Owner, false) {}
};

class TSaveDialog : public TFileDialog {
  Q_OBJECT

 public:
  explicit TSaveDialog(QObject* Owner) : TFileDialog(Owner, true) {}
};
