#include "Forms.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <cmath>
#include <filesystem>

#include "Controls.h"

namespace {

double TextScaleOf(const QWidget* Widget) {
  const auto* Form = Widget ? dynamic_cast<const TForm*>(Widget->window()) : nullptr;
  return Form ? Form->TextScale() : 1.0;
}

int Times(int Pixels, double Scale) {
  return static_cast<int>(std::lround(Pixels * Scale));
}

}  // namespace

TForm::TForm(QWidget* Owner) : QWidget(Owner, Qt::Window), Scale(TScreenScale::Of(*this)) {
  setProperty("ModalResult", mrNone);
  // The forms are laid out in pixels, as drawn; a font of 11 pixels matches them.
  QFont F = font();
  F.setPixelSize(Scaled(11));
  setFont(F);
}

int TForm::Scaled(int Pixels) const {
  return Times(Pixels, TextScale());
}

void TForm::SetPixelArt() {
  PixelArt = true;
  QFont F = font();
  F.setPixelSize(11);
  setFont(F);
  Rescale();
}

const TScreenScale* TForm::Enlarged() const {
  return PixelArt && !Scale.Identity() ? &Scale : nullptr;
}

void TForm::SetClientSize(int Width, int Height) {
  Client = QSize(Width, Height);
  if (!PixelArt) {
    setFixedSize(Scaled(Width), Scaled(Height));
    return;
  }
  // Where the ratio is fractional the last logical pixel holds part of a block.
  const double Logical = Scale.LogicalPerPixel();
  setFixedSize(static_cast<int>(std::ceil(Width * Logical - 1e-6)),
               static_cast<int>(std::ceil(Height * Logical - 1e-6)));
}

void TForm::Rescale() {
  Scale = TScreenScale::Of(*this);
  if (!Client.isEmpty()) SetClientSize(Client.width(), Client.height());
  for (QWidget* Control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QVariant Bounds = Control->property("PixelBounds");
    if (Bounds.isValid()) PlacePixels(*Control, Bounds.toRect());
  }
  for (QWidget* Child : findChildren<QWidget*>()) {
    if (auto* Control = dynamic_cast<TCustomControl*>(Child)) Control->ScaleChanged();
  }
  update();
}

int TForm::Left() const {
  const TScreenScale* S = Enlarged();
  return S ? static_cast<int>(std::floor(x() / S->LogicalPerPixel() + 1e-6)) : x();
}

int TForm::Top() const {
  const TScreenScale* S = Enlarged();
  return S ? static_cast<int>(std::floor(y() / S->LogicalPerPixel() + 1e-6)) : y();
}

QPoint TForm::ScreenPoint(int X, int Y) const {
  const TScreenScale* S = Enlarged();
  if (!S) return QPoint(X, Y);
  // Keeps the part of the position that lies between two of the form's pixels.
  return QPoint(x() + Times(X - Left(), S->LogicalPerPixel()),
                y() + Times(Y - Top(), S->LogicalPerPixel()));
}

void TForm::SetLeft(int Value) {
  move(ScreenPoint(Value, Top()).x(), y());
}

void TForm::SetTop(int Value) {
  move(x(), ScreenPoint(Left(), Value).y());
}

bool TForm::event(QEvent* Event) {
  if (PixelArt && Event->type() == QEvent::ScreenChangeInternal &&
      !(TScreenScale::Of(*this) == Scale)) {
    Rescale();
  }
  return QWidget::event(Event);
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
  if (PixelArt && !(TScreenScale::Of(*this) == Scale)) Rescale();
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
  move(Times(Left, TextScaleOf(Parent)), Times(Top, TextScaleOf(Parent)));
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
  while (width() > Room && F.pixelSize() > Times(8, TextScaleOf(this))) {
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

TImage::TImage(QWidget* Parent, int Left, int Top, int Width, int Height)
    : QLabel(Parent), Bounds(Left, Top, Width, Height) {
  const auto* Form = Parent ? dynamic_cast<const TForm*>(Parent->window()) : nullptr;
  if (Form && !Form->PixelArtScale()) {
    IconForm = Form;
    PlaceIcon();
  } else {
    PlacePixels(*this, Bounds);
  }
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TImage::PlaceIcon() {
  const TScreenScale& Scale = IconForm->ScreenScale();
  const double DevicePerPixel = Scale.Ratio * IconForm->TextScale();
  const QSize Size = (Picture.isNull() ? Bounds.size() : Picture.size()) * Scale.Whole;
  // The device pixel where the icon starts along one axis, centred on its place.
  const auto Start = [DevicePerPixel](int Place, int Laid, int Shown) {
    return static_cast<int>(std::lround((Place + Laid / 2.0) * DevicePerPixel - Shown / 2.0));
  };
  const QPoint Device(Start(Bounds.x(), Bounds.width(), Size.width()),
                      Start(Bounds.y(), Bounds.height(), Size.height()));
  const QRectF Logical(QPointF(Device) / Scale.Ratio, QSizeF(Size) / Scale.Ratio);
  const QRect Held = Logical.toAlignedRect();
  setGeometry(Held);
  IconOrigin = Logical.topLeft() - QPointF(Held.topLeft());
}

void TImage::paintEvent(QPaintEvent* Event) {
  if (IconForm) {
    QPainter Painter(this);
    Painter.drawPixmap(IconOrigin, pixmap());
    return;
  }
  if (!EnlargedScale(*this)) return QLabel::paintEvent(Event);
  PaintPixels(*this, [this](QPainter& Painter) { Painter.drawPixmap(0, 0, pixmap()); });
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
  if (IconForm) {
    const TScreenScale& Scale = IconForm->ScreenScale();
    if (Scale.Whole > 1) {
      Shown =
          Shown.scaled(Shown.size() * Scale.Whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    Shown.setDevicePixelRatio(Scale.Ratio);
    PlaceIcon();
  }
  setPixmap(QPixmap::fromImage(Shown));
}

TButton::TButton(TForm* Form, int Left, int Top, int Width, int Height, const std::string& Caption)
    : QPushButton(QString::fromStdString(Caption), Form) {
  setGeometry(Form->Scaled(Left), Form->Scaled(Top), Form->Scaled(Width), Form->Scaled(Height));
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

void TPopupMenu::Popup(int X, int Y) {
  const auto* Form = dynamic_cast<const TForm*>(parentWidget());
  const QPoint At = Form ? Form->ScreenPoint(X, Y) : QPoint(X, Y);
  Dialogs().Popup(this, At.x(), At.y());
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
