#include "Forms.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <filesystem>

TForm::TForm(QWidget* Owner) : QWidget(Owner, Qt::Window) {
  setProperty("ModalResult", mrNone);
  // The forms are laid out in pixels, as drawn; a font of 11 pixels matches them.
  QFont F = font();
  F.setPixelSize(11);
  setFont(F);
}

void TForm::SetBorderStyle(TFormBorderStyle Style) {
  if (Style == TFormBorderStyle::bsNone) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  } else {
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
  }
}

void TForm::CenterOnScreen() {
  QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!Screen) return;
  const QRect Area = Screen->geometry();
  move(Area.x() + (Area.width() - width()) / 2, Area.y() + (Area.height() - height()) / 2);
}

void TForm::showEvent(QShowEvent* Event) {
  if (!Event->spontaneous() && Position == TFormPosition::poScreenCenter) CenterOnScreen();
  QWidget::showEvent(Event);
}

int TForm::ShowModal() {
  setProperty("ModalResult", mrNone);
  return Dialogs().ShowModal(this);
}

int TForm::ModalResult() const {
  return property("ModalResult").toInt();
}

void TForm::SetModalResult(int Result) {
  setProperty("ModalResult", Result);
  if (Result != mrNone) close();
}

TLabel::TLabel(QWidget* Parent, int Left, int Top, const std::string& Caption)
    : QLabel(QString::fromStdString(Caption), Parent) {
  setTextFormat(Qt::PlainText);
  move(Left, Top);
  FitToParent();
}

// The forms are laid out for a narrow 11-pixel font; where the font at hand
// runs wider, a line would be cut at the form's edge, so it is condensed
// and, if need be, made smaller.
void TLabel::FitToParent() {
  adjustSize();
  if (!parentWidget()) return;
  const int Room = parentWidget()->width() - x() - 2;
  QFont F = font();
  if (width() > Room) {
    F.setStretch(QFont::Condensed);
    setFont(F);
    adjustSize();
  }
  while (width() > Room && F.pixelSize() > 8) {
    F.setPixelSize(F.pixelSize() - 1);
    setFont(F);
    adjustSize();
  }
}

void TLabel::SetFontColor(int Red, int Green, int Blue) {
  QPalette P = palette();
  P.setColor(QPalette::WindowText, QColor(Red, Green, Blue));
  setPalette(P);
}

void TLabel::SetUnderline(bool Underline) {
  QFont F = font();
  F.setUnderline(Underline);
  setFont(F);
  FitToParent();
}

void TLabel::mouseReleaseEvent(QMouseEvent* Event) {
  QLabel::mouseReleaseEvent(Event);
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) &&
      OnClick) {
    OnClick(this);
  }
}

TImage::TImage(QWidget* Parent, int Left, int Top, int Width, int Height) : QLabel(Parent) {
  setGeometry(Left, Top, Width, Height);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TImage::LoadFromResourceName(const std::string& Name) {
  Picture = QImage(QString(":/bitmaps/%1.bmp").arg(QString::fromStdString(Name)));
  Show();
}

void TImage::SetTransparent(bool Value) {
  Transparent = Value;
  Show();
}

void TImage::Show() {
  QImage Shown = Picture.convertToFormat(QImage::Format_ARGB32);
  if (Transparent && !Shown.isNull()) {
    const QRgb Key = Shown.pixel(0, Shown.height() - 1);
    for (int Y = 0; Y < Shown.height(); ++Y) {
      auto* Line = reinterpret_cast<QRgb*>(Shown.scanLine(Y));
      for (int X = 0; X < Shown.width(); ++X) {
        if (Line[X] == Key) Line[X] = qRgba(0, 0, 0, 0);
      }
    }
  }
  setPixmap(QPixmap::fromImage(Shown));
}

TButton::TButton(TForm* Form, int Left, int Top, int Width, int Height, const std::string& Caption)
    : QPushButton(QString::fromStdString(Caption), Form) {
  setGeometry(Left, Top, Width, Height);
  connect(this, &QPushButton::clicked, this, [this, Form] {
    if (OnClick) OnClick(this);
    if (ModalResult != mrNone) Form->SetModalResult(ModalResult);
  });
}

TMenuItem::TMenuItem(QMenu* Menu, const std::string& Caption)
    : QObject(Menu), TheAction(Menu->addAction(QString::fromStdString(Caption))) {
  connect(TheAction, &QAction::triggered, this, [this] {
    if (OnClick) OnClick(this);
  });
}

void TMenuItem::Click() {
  TheAction->trigger();
}

TMenuItem* TPopupMenu::Add(const std::string& Caption) {
  TheItems.push_back(new TMenuItem(this, Caption));
  return TheItems.back();
}

bool TFileDialog::Execute() {
  TFileDialogRequest Request;
  Request.Save = Save;
  Request.Filter = Filter;
  Request.FilterIndex = FilterIndex;
  Request.DefaultExt = DefaultExt;
  Request.FileName = FileName;
  Request.InitialDir = InitialDir.empty() ? LastFolder : InitialDir;
  const auto Result = Dialogs().ExecuteFileDialog(Request);
  if (!Result) return false;
  FileName = Result->FileName;
  LastFolder = std::filesystem::path(FileName).parent_path().string();
  FilterIndex = Result->FilterIndex;
  return true;
}
