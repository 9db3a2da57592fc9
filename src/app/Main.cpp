#include "Main.h"

#include <QGuiApplication>
#include <QWindow>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <type_traits>

#include "About.h"
#include "Application.h"
#include "Data.h"
#include "Dialogs.h"
#include "Document.h"
#include "Filewrite.h"
#include "Integers.h"
#include "Message01.h"
#include "Message02.h"
#include "Playback.h"
#include "Registry.h"
#include "Shell.h"
#include "TempPath.h"
#include "Wav.h"

TMainForm* MainForm = nullptr;

namespace {

const char* const AppTitle = "Vorlantix";

enum class TKind { Image, PaintBox, Button, Knob };

using TNotifyHandler = void (TMainForm::*)(TObject*);
using TMouseHandler = void (TMainForm::*)(TObject*, TMouseButton, TShiftState, int, int);
using TMoveHandler = void (TMainForm::*)(TObject*, TShiftState, int, int);
using TStore = void (*)(TMainForm&, QWidget*);

// Puts a created component into its member of the form.
template <auto Member>
void Store(TMainForm& Form, QWidget* Component) {
  using TMemberType = std::remove_reference_t<decltype(Form.*Member)>;
  Form.*Member = static_cast<TMemberType>(Component);
}

struct TLayoutRow {
  TKind Kind;
  TStore Member;
  int Left, Top, Width, Height;
  const char* Skin = nullptr;  // name of the skin source in the data module
  int SkinXOffset = 0;
  int SkinYOffset = 0;
  int Cols = 1;
  int Rows = 1;
  int GlyphIndex = 0;
  int Min = 0;
  int Max = 100;
  int Position = 0;
  int Sensitivity = 128;
  TNotifyHandler OnEvent = nullptr;  // OnClick of buttons, OnChange of knobs, OnPaint of boxes
  TMouseHandler OnMouseDown = nullptr;
  TMoveHandler OnMouseMove = nullptr;
  TMouseHandler OnMouseUp = nullptr;
};

using F = TMainForm;
constexpr const char* Btn = ButtonSourceName;
constexpr const char* Kn = KnobSourceName;

// The window's components in creation (and stacking) order.
// clang-format off
const TLayoutRow Layout[] = {
  {.Kind = TKind::Image, .Member = &Store<&F::BackgroundImage>, .Left = 0, .Top = 0, .Width = 350, .Height = 280},
  {.Kind = TKind::PaintBox, .Member = &Store<&F::CaptionBox>, .Left = 0, .Top = 0, .Width = 321, .Height = 17,
   .OnMouseDown = &F::CaptionBoxMouseDown, .OnMouseMove = &F::CaptionBoxMouseMove, .OnMouseUp = &F::CaptionBoxMouseUp},
  {.Kind = TKind::PaintBox, .Member = &Store<&F::Box0>, .Left = 23, .Top = 33, .Width = 313, .Height = 61,
   .OnEvent = &F::Box0Paint},
  {.Kind = TKind::PaintBox, .Member = &Store<&F::Box1>, .Left = 23, .Top = 202, .Width = 312, .Height = 63,
   .OnEvent = &F::Box1Paint},
  {.Kind = TKind::Button, .Member = &Store<&F::CloseButton>, .Left = 335, .Top = 4, .Width = 11, .Height = 10,
   .Skin = Btn, .SkinXOffset = 11, .Rows = 2, .OnEvent = &F::CloseButtonClick},
  {.Kind = TKind::Button, .Member = &Store<&F::MinimizeButton>, .Left = 322, .Top = 4, .Width = 11, .Height = 10,
   .Skin = Btn, .SkinXOffset = 0, .Rows = 2, .OnEvent = &F::MinimizeButtonClick},
  {.Kind = TKind::Button, .Member = &Store<&F::MenuButton>, .Left = 9, .Top = 139, .Width = 16, .Height = 16,
   .Skin = Btn, .SkinXOffset = 22, .Rows = 2, .OnEvent = &F::MenuClick},
  {.Kind = TKind::Button, .Member = &Store<&F::LeftButton>, .Left = 30, .Top = 141, .Width = 23, .Height = 12,
   .Skin = Btn, .SkinXOffset = 38, .Rows = 2, .OnEvent = &F::LeftClick},
  {.Kind = TKind::Button, .Member = &Store<&F::AddButton>, .Left = 53, .Top = 141, .Width = 23, .Height = 12,
   .Skin = Btn, .SkinXOffset = 61, .Rows = 2, .OnEvent = &F::AddClick},
  {.Kind = TKind::Button, .Member = &Store<&F::DelButton>, .Left = 76, .Top = 141, .Width = 23, .Height = 12,
   .Skin = Btn, .SkinXOffset = 84, .Rows = 2, .OnEvent = &F::DeleteClick},
  {.Kind = TKind::Button, .Member = &Store<&F::RightButton>, .Left = 99, .Top = 141, .Width = 23, .Height = 12,
   .Skin = Btn, .SkinXOffset = 107, .Rows = 2, .OnEvent = &F::RightClick},
  {.Kind = TKind::Knob, .Member = &Store<&F::X0Knob>, .Left = 130, .Top = 114, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 0, .Cols = 73, .Min = 1, .Max = 300, .Position = 1, .Sensitivity = 150,
   .OnEvent = &F::XKnobChange},
  {.Kind = TKind::Knob, .Member = &Store<&F::Y0Knob>, .Left = 164, .Top = 114, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 0, .Cols = 73, .GlyphIndex = 36, .Min = -27, .Max = 27, .Position = 0,
   .Sensitivity = 50, .OnEvent = &F::YKnobChange},
  {.Kind = TKind::Knob, .Member = &Store<&F::T0Knob>, .Left = 198, .Top = 114, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 0, .Cols = 73, .GlyphIndex = 36, .Min = -100, .Max = 100, .Position = 0,
   .Sensitivity = 100, .OnEvent = &F::TKnobChange},
  {.Kind = TKind::Button, .Member = &Store<&F::Play0Button>, .Left = 228, .Top = 124, .Width = 27, .Height = 12,
   .Skin = Btn, .SkinXOffset = 130, .Rows = 2, .OnMouseDown = &F::PlayButtonMouseDown},
  {.Kind = TKind::Button, .Member = &Store<&F::Play1Button>, .Left = 228, .Top = 158, .Width = 27, .Height = 12,
   .Skin = Btn, .SkinXOffset = 184, .Rows = 2, .OnMouseDown = &F::PlayButtonMouseDown},
  {.Kind = TKind::Button, .Member = &Store<&F::PlayAllButton>, .Left = 238, .Top = 141, .Width = 27, .Height = 12,
   .Skin = Btn, .SkinXOffset = 157, .Rows = 2, .OnMouseDown = &F::PlayAllButtonMouseDown},
  {.Kind = TKind::Knob, .Member = &Store<&F::X1Knob>, .Left = 130, .Top = 158, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 22, .Cols = 73, .Min = 1, .Max = 300, .Position = 1, .Sensitivity = 150,
   .OnEvent = &F::XKnobChange},
  {.Kind = TKind::Knob, .Member = &Store<&F::Y1Knob>, .Left = 164, .Top = 158, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 22, .Cols = 73, .GlyphIndex = 36, .Min = -27, .Max = 27, .Position = 0,
   .Sensitivity = 50, .OnEvent = &F::YKnobChange},
  {.Kind = TKind::Knob, .Member = &Store<&F::T1Knob>, .Left = 198, .Top = 158, .Width = 22, .Height = 22,
   .Skin = Kn, .SkinYOffset = 22, .Cols = 73, .GlyphIndex = 36, .Min = -100, .Max = 100, .Position = 0,
   .Sensitivity = 100, .OnEvent = &F::TKnobChange},
  {.Kind = TKind::Button, .Member = &Store<&F::UploadButton>, .Left = 271, .Top = 136, .Width = 76, .Height = 22,
   .Skin = Btn, .SkinXOffset = 211, .Cols = 2, .Rows = 1, .OnEvent = &F::UploadClick},
};
// clang-format on

using TMenuMember = TMenuItem* TMainForm::*;

struct TMenuRow {
  TMenuMember Member;
  const char* Caption;
  TNotifyHandler OnClick;
};

const TMenuRow Menu[] = {
    {&F::NewMenuItem, "New", &F::NewClick},        {&F::OpenMenuItem, "Open", &F::OpenClick},
    {&F::SaveMenuItem, "Save", &F::SaveClick},     {&F::SaveAsMenuItem, "Save As", &F::SaveAsClick},
    {&F::AboutPopupItem, "About", &F::AboutClick},
};

// Truncation toward zero, as every conversion of a computed value is. Levels
// read from a document may be huge; pixels that far out are clipped and knob
// positions are held in range anyway, so holding the value keeps the
// conversion defined.
int TruncInt(double Value) {
  return TruncateToInt(Value, -10000, 10000);
}

void ShowFileMessage(const std::string& Text) {
  Dialogs().MessageBox(Text, AppTitle, MB_OK | MB_ICONEXCLAMATION);
}

// Whether a document or a WAV file was written; the user is told when not.
// A save that could not finish is as lost as one that never began, and the
// message names disk space among the causes.
bool Reported(TWriteOutcome Outcome, const std::string& Path) {
  switch (Outcome) {
    case TWriteOutcome::Written:
      return true;
    case TWriteOutcome::CannotCreate:
    case TWriteOutcome::WriteFailed:
    case TWriteOutcome::LeftIncomplete:
      ShowFileMessage(CannotCreateMessage(Path));
      return false;
  }
  return false;
}

std::string CannotStartMessage(const std::string& Command, const std::string& Reason) {
  return "Unable to start the host program '" + Command + "'.\n\n" +
         (Reason.empty() ? std::string("It could not be started.") : Reason + ".");
}

}  // namespace

TMainForm::TMainForm(QWidget* Owner) : TForm(Owner) {
  setObjectName("MainForm");
  // The task bar shows the window's title; the borderless window never does.
  SetCaption(AppTitle);
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetPixelArt();
  SetClientSize(350, 280);
  BuildLayout();
  FileName.clear();
  Dragging = false;
  Waves[0] = std::make_unique<TNodeList>();
  Waves[1] = std::make_unique<TNodeList>();
  LoadDefaultDesign();
  SetPosition(TFormPosition::poScreenCenter);
}

TMainForm::~TMainForm() {
  Waves[0].reset();
  Waves[1].reset();
}

void TMainForm::BuildLayout() {
  for (const TLayoutRow& Row : Layout) {
    QWidget* Component = nullptr;
    switch (Row.Kind) {
      case TKind::Image: {
        auto* Image = new TImage(this, Row.Left, Row.Top, Row.Width, Row.Height);
        Image->LoadFromResourceName("Background");
        Component = Image;
        break;
      }
      case TKind::PaintBox: {
        auto* Box = new TPaintBox(this);
        Box->SetBounds(Row.Left, Row.Top, Row.Width, Row.Height);
        if (Row.OnEvent) Box->OnPaint = [this, H = Row.OnEvent](TObject* S) { (this->*H)(S); };
        if (Row.OnMouseDown) {
          Box->OnMouseDown = [this, H = Row.OnMouseDown](TObject* S, TMouseButton B, TShiftState Sh,
                                                         int X,
                                                         int Y) { (this->*H)(S, B, Sh, X, Y); };
        }
        if (Row.OnMouseMove) {
          Box->OnMouseMove = [this, H = Row.OnMouseMove](TObject* S, TShiftState Sh, int X, int Y) {
            (this->*H)(S, Sh, X, Y);
          };
        }
        if (Row.OnMouseUp) {
          Box->OnMouseUp = [this, H = Row.OnMouseUp](TObject* S, TMouseButton B, TShiftState Sh,
                                                     int X, int Y) { (this->*H)(S, B, Sh, X, Y); };
        }
        Component = Box;
        break;
      }
      case TKind::Button: {
        auto* Button = new TSkinButton(this);
        Button->SetBounds(Row.Left, Row.Top, Row.Width, Row.Height);
        Button->SetSkinXOffset(Row.SkinXOffset);
        Button->SetSkinYOffset(Row.SkinYOffset);
        Button->SetGlyphColCount(Row.Cols);
        Button->SetGlyphRowCount(Row.Rows);
        if (Row.OnEvent) Button->OnClick = [this, H = Row.OnEvent](TObject* S) { (this->*H)(S); };
        if (Row.OnMouseDown) {
          Button->OnMouseDown = [this, H = Row.OnMouseDown](TObject* S, TMouseButton B,
                                                            TShiftState Sh, int X,
                                                            int Y) { (this->*H)(S, B, Sh, X, Y); };
        }
        Component = Button;
        break;
      }
      case TKind::Knob: {
        auto* Knob = new TSkinKnob(this);
        Knob->SetBounds(Row.Left, Row.Top, Row.Width, Row.Height);
        Knob->SetSkinXOffset(Row.SkinXOffset);
        Knob->SetSkinYOffset(Row.SkinYOffset);
        Knob->SetGlyphColCount(Row.Cols);
        Knob->SetGlyphRowCount(Row.Rows);
        Knob->SetGlyphIndex(Row.GlyphIndex);
        Knob->SetMin(Row.Min);
        Knob->SetMax(Row.Max);
        Knob->Sensitivity = Row.Sensitivity;
        // The position is set before OnChange is attached, so building the
        // window runs no change handler.
        Knob->SetPosition(Row.Position);
        Knob->OnChange = [this, H = Row.OnEvent](TObject* S) { (this->*H)(S); };
        Component = Knob;
        break;
      }
    }
    if (Row.Skin) Component->setProperty(SkinSourceProperty, Row.Skin);
    Row.Member(*this, Component);
  }

  PopupMenu = new TPopupMenu(this);
  for (const TMenuRow& Row : Menu) {
    TMenuItem* Item = PopupMenu->Add(Row.Caption);
    Item->OnClick = [this, H = Row.OnClick](TObject* S) { (this->*H)(S); };
    this->*Row.Member = Item;
  }

  SaveDialog = new TSaveDialog(this);
  SaveDialog->DefaultExt = "vlx";
  SaveDialog->Filter = "Vorlantix (*.vlx)|*.vlx|Wave (Microsoft) (*wav)|*.wav";
  OpenDialog = new TOpenDialog(this);
  OpenDialog->DefaultExt = "vlx";
  OpenDialog->Filter = "Vorlantix (*.vlx)|*.vlx";
}

void TMainForm::AttachSkinSources(TDataForm& Data) {
  for (TSkinControl* Control : findChildren<TSkinControl*>()) {
    const QString Name = Control->property(SkinSourceProperty).toString();
    if (Name == ButtonSourceName) Control->SetSkinSource(Data.ButtonSource);
    if (Name == KnobSourceName) Control->SetSkinSource(Data.KnobSource);
  }
}

// Caption drag ---------------------------------------------------------------

void TMainForm::CaptionBoxMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
  // Wayland lets no program place its own window; there the window system
  // moves it for us.
  if (QGuiApplication::platformName() == "wayland" && windowHandle()) {
    windowHandle()->startSystemMove();
    return;
  }
  Dragging = true;
  DragStartX = X;
  DragStartY = Y;
}

void TMainForm::CaptionBoxMouseMove(TObject*, TShiftState, int X, int Y) {
  if (!Dragging) return;
  SetLeft(X - DragStartX + Left());
  SetTop(Y - DragStartY + Top());
}

void TMainForm::CaptionBoxMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Dragging = false;
}

void TMainForm::CloseButtonClick(TObject*) {
  Close();
}

void TMainForm::MinimizeButtonClick(TObject*) {
  if (Application) Application->Minimize();
}

void TMainForm::MenuClick(TObject*) {
  PopupMenu->Popup(Left() + 30, Top() + 130);
}

void TMainForm::AboutClick(TObject*) {
  if (AboutForm) AboutForm->ShowModal();
}

// Editing -------------------------------------------------------------------

TSkinKnob* TMainForm::Knob(int Wave, TNodeField Field) const {
  switch (Field) {
    case TNodeField::X:
      return Wave == 0 ? X0Knob : X1Knob;
    case TNodeField::Y:
      return Wave == 0 ? Y0Knob : Y1Knob;
    case TNodeField::T:
      return Wave == 0 ? T0Knob : T1Knob;
  }
  return nullptr;
}

void TMainForm::KnobChange(int Wave, TNodeField Field) {
  const int Position = Knob(Wave, Field)->Position();
  TNodeList& Nodes = *Waves[Wave];
  switch (Field) {
    case TNodeField::X:
      Nodes.SetX(SelectedNode, static_cast<double>(Position));
      break;
    case TNodeField::Y:
      Nodes.SetY(SelectedNode, static_cast<double>(Position));
      break;
    case TNodeField::T:
      // Tension runs from -20 to 20 in steps of 0.2.
      Nodes.SetT(SelectedNode, Position * 0.2);
      break;
  }
  (Wave == 0 ? Box0 : Box1)->Repaint();
}

void TMainForm::XKnobChange(TObject* Sender) {
  KnobChange(Sender == X0Knob ? 0 : 1, TNodeField::X);
}

void TMainForm::YKnobChange(TObject* Sender) {
  KnobChange(Sender == Y0Knob ? 0 : 1, TNodeField::Y);
}

void TMainForm::TKnobChange(TObject* Sender) {
  KnobChange(Sender == T0Knob ? 0 : 1, TNodeField::T);
}

void TMainForm::RightClick(TObject*) {
  const TNode* Node = Waves[0]->Find(SelectedNode);
  if (Node) Select(Node->NextByIndex);
}

void TMainForm::LeftClick(TObject*) {
  const TNode* Node = Waves[0]->Find(SelectedNode);
  if (Node) Select(Node->PrevByIndex);
}

void TMainForm::Select(const TNode* Node) {
  // Past either end nothing happens: no knob is set and nothing is repainted.
  if (!Node) return;
  SelectedNode = Node->Index;
  UpdateKnobs();
  Box0->Repaint();
  Box1->Repaint();
}

void TMainForm::AddClick(TObject*) {
  Waves[0]->Insert(SelectedNode);
  Select(Waves[1]->Insert(SelectedNode));
}

void TMainForm::DeleteClick(TObject*) {
  Waves[0]->Delete(SelectedNode);
  Waves[1]->Delete(SelectedNode);
  UpdateKnobs();
  Box0->Repaint();
  Box1->Repaint();
}

void TMainForm::UpdateKnobs() {
  for (int Wave = 0; Wave < 2; ++Wave) {
    // Each SetPosition writes the knob's value back into the node (OnChange),
    // so every value is read after the previous knob has been set.
    const TNode* Node = Waves[Wave]->Find(SelectedNode);
    if (!Node) continue;
    Knob(Wave, TNodeField::X)->SetPosition(TruncInt(Node->X));
    Knob(Wave, TNodeField::Y)->SetPosition(TruncInt(Node->Y));
    // Double precision: every tension the knob sets reads back as its own position.
    Knob(Wave, TNodeField::T)->SetPosition(TruncInt(Node->T * 5));
  }
}

// Display -------------------------------------------------------------------

void TMainForm::Box0Paint(TObject*) {
  PaintWave(0);
}

void TMainForm::Box1Paint(TObject*) {
  PaintWave(1);
}

void TMainForm::PaintWave(int Index) {
  TPaintBox* Box = Index == 0 ? Box0 : Box1;
  const TNodeList& Wave = *Waves[Index == 0 ? 0 : 1];
  std::array<double, 301> Points;
  Wave.RenderDisplay(Points.data());
  TCanvas& Canvas = Box->Canvas();
  Canvas.SetPenColor(RGB(0, 208, 0));
  Canvas.MoveTo(2, TruncInt(29 - Points[0]));
  for (int I = 1; I <= 300; ++I) Canvas.LineTo(I + 2, TruncInt(29 - Points[I]));

  const TNode* Node = Wave.Find(SelectedNode);
  if (!Node) return;
  Canvas.SetPenColor(RGB(0, 255, 0));
  const int MarkLeft = TruncInt(Node->X);
  const int MarkRight = TruncInt(Node->X + 4);
  const int MarkTop = TruncInt(27 - Node->Y);
  const int MarkBottom = TruncInt(31 - Node->Y);
  Canvas.MoveTo(MarkLeft, MarkTop);
  Canvas.LineTo(MarkRight, MarkTop);
  Canvas.LineTo(MarkRight, MarkBottom);
  Canvas.LineTo(MarkLeft, MarkBottom);
  Canvas.LineTo(MarkLeft, MarkTop);
}

// Playback ------------------------------------------------------------------

void TMainForm::PlayButtonMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
  std::array<double, kPeriodSamples> Samples;
  Waves[Sender == Play0Button ? 0 : 1]->RenderPeriod(Samples.data(), kPeriodSamples);
  PlayPeriodWhileHeld(Samples.data());
}

void TMainForm::PlayAllButtonMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  std::vector<double> Samples(kMorphSamples);
  RenderTransition(Samples.data(), *Waves[0], *Waves[1], kPeriodSamples, kMorphPeriods);
  PlayMorphWhileHeld(Samples.data());
}

// Documents -----------------------------------------------------------------

void TMainForm::LoadDefaultDesign() {
  ::LoadDefaultDesign(*Waves[0], *Waves[1]);
  SelectedNode = 1;
}

bool TMainForm::WriteDocument(const std::string& Path) {
  return Reported(::WriteDocument(Path, *Waves[0], *Waves[1]), Path);
}

bool TMainForm::ReadDocument(const std::string& Path, std::string* Reason) {
  switch (::ReadDocument(Path, Waves[0], Waves[1], Reason)) {
    case TReadOutcome::Accepted:
      return true;
    case TReadOutcome::NewerVersion:
      ShowFileMessage(NewerVersionMessage);
      return false;
    case TReadOutcome::CannotOpen:
    case TReadOutcome::Refused:
      return false;
  }
  return false;
}

bool TMainForm::WriteWav(const std::string& Path) {
  return Reported(::WriteWav(Path, *Waves[0], *Waves[1]), Path);
}

void TMainForm::NewClick(TObject*) {
  FileName.clear();
  LoadDefaultDesign();
  UpdateKnobs();
}

void TMainForm::OpenClick(TObject*) {
  OpenDialog->FileName.clear();
  OpenDialog->InitialDir = DocumentFolder();
  if (!OpenDialog->Execute()) return;
  OpenDocument(OpenDialog->FileName);
}

bool TMainForm::OpenDocument(const std::string& Path, std::string* Reason) {
  if (!ReadDocument(Path, Reason)) return false;
  SelectedNode = 1;
  UpdateKnobs();
  FileName = Path;
  return true;
}

std::string TMainForm::DocumentFolder() const {
  return FileName.empty() ? std::string() : std::filesystem::path(FileName).parent_path().string();
}

std::optional<int> TMainForm::OpenFromCommandLine(const std::vector<std::string>& Arguments,
                                                  std::ostream& Out, std::ostream& Err) {
  static constexpr const char* Usage = "usage: vorlantix [DESIGN.vlx]";
  if (Arguments.empty()) return std::nullopt;
  if (Arguments.size() == 1 && (Arguments[0] == "--help" || Arguments[0] == "-h")) {
    Out << Usage << "\n";
    return 0;
  }
  if (Arguments.size() > 1 || (Arguments[0].size() > 1 && Arguments[0][0] == '-')) {
    Err << Usage << "\n";
    return 2;
  }
  const std::string& Given = Arguments[0];
  // Absolute, so that Save, the dialogs' folder and Upload's file name do not
  // depend on the directory the program was started in.
  std::error_code Ignored;
  const std::string Path = std::filesystem::absolute(Given, Ignored).lexically_normal().string();
  std::string Reason;
  if (!OpenDocument(Path.empty() ? Given : Path, &Reason)) {
    if (Reason.empty()) Reason = "not opened";
    Err << "vorlantix: '" << Given << "': " << Reason << "\n";
  }
  return std::nullopt;
}

void TMainForm::SaveClick(TObject* Sender) {
  if (FileName.empty()) {
    SaveAsClick(Sender);
    return;
  }
  WriteDocument(FileName);
}

void TMainForm::SaveAsClick(TObject*) {
  SaveDialog->FileName.clear();
  SaveDialog->InitialDir = DocumentFolder();
  if (!SaveDialog->Execute()) return;
  if (SaveDialog->FilterIndex == 2) {
    WriteWav(SaveDialog->FileName);
    return;
  }
  if (WriteDocument(SaveDialog->FileName)) FileName = SaveDialog->FileName;
}

// Upload --------------------------------------------------------------------

void TMainForm::UploadClick(TObject*) {
  std::string Command;
  std::int64_t Version = 0;
  {
    TRegIniFile Registry("Software\\Melquor");
    Command = Registry.ReadString("Preferences", "Command", "");
    const std::int64_t Major = Registry.ReadInteger("Preferences", "MajorVersion", 0);
    const std::int64_t Minor = Registry.ReadInteger("Preferences", "MinorVersion", 0);
    Version = Major * 100 + Minor;
    Registry.CloseKey();
  }
  if (Command.empty()) {
    Message02Form->ShowModal();
    return;
  }
  if (Version < 204) Message01Form->ShowModal();
  const auto TempDir = GetTempPath();
  if (!TempDir) {
    ShowFileMessage(NoTempPathMessage);
    return;
  }
  const std::string Path = *TempDir + UploadFileName(FileName);
  if (!WriteWav(Path)) return;
  // The desktop would have said so itself; a launcher here cannot, so we do.
  const TLaunchResult Launch = Shell().ShellExecuteOpen(Command, {Path, "/DEL"});
  if (!Launch.Started) ShowFileMessage(CannotStartMessage(Command, Launch.Error));
}
