// The component library on one window: a vertical and a horizontal skin scroll
// bar, a bitmap knob, a channel combo box and a skin check box, each with a
// label that follows its value.
#include <exception>
#include <string>

#include "Application.h"
#include "Channelcombobox.h"
#include "Forms.h"
#include "Knob.h"
#include "Skincheckbox.h"
#include "Skinscrollbar.h"
#include "Skinsource.h"
#include "Startup.h"

namespace {

// Where each control's cells lie in the gallery's skin.
constexpr int BarLength = 120;
constexpr int BarBreadth = 16;
constexpr int ThumbLength = 20;
constexpr int VerticalThumbY = 200;
constexpr int HorizontalTrackX = 20;
constexpr int HorizontalThumbX = 20;
constexpr int CheckBoxX = 150;
constexpr int CheckSize = 16;

constexpr TColor Groove = RGB(34, 38, 46);
constexpr TColor Rim = RGB(90, 98, 112);
constexpr TColor Face = RGB(176, 184, 198);
constexpr TColor Light = RGB(236, 240, 246);
constexpr TColor Shade = RGB(104, 110, 124);
constexpr TColor Mark = RGB(240, 176, 48);
constexpr TColor Ground = RGB(64, 72, 88);

void Line(TCanvas& C, TColor Color, int X1, int Y1, int X2, int Y2) {
  C.SetPenColor(Color);
  C.MoveTo(X1, Y1);
  C.LineTo(X2, Y2);
}

// A sunken groove with a tick every 20 pixels along it.
void DrawTrack(TCanvas& C, int Left, int Top, int Width, int Height, bool Vertical) {
  C.SetBrushColor(Ground);
  C.FillRect(Rect(Left, Top, Left + Width, Top + Height));
  C.SetBrushColor(Groove);
  C.SetPenColor(Rim);
  if (Vertical) {
    C.Rectangle(Left + 5, Top, Left + Width - 5, Top + Height);
    for (int Y = Top + 10; Y < Top + Height; Y += 20) Line(C, Rim, Left, Y, Left + 3, Y);
  } else {
    C.Rectangle(Left, Top + 5, Left + Width, Top + Height - 5);
    for (int X = Left + 10; X < Left + Width; X += 20) Line(C, Rim, X, Top, X, Top + 3);
  }
}

// A raised thumb with three grip lines across it. LightFirst puts the lit edge
// at the cell's top (or left); the vertical bar shows its cell upside down, so
// its cell is drawn lit at the bottom.
void DrawThumb(TCanvas& C, int Left, int Top, int Width, int Height, bool Vertical,
               bool LightFirst) {
  C.SetBrushColor(Face);
  C.SetPenColor(Shade);
  C.Rectangle(Left, Top, Left + Width, Top + Height);
  const int Right = Left + Width - 1;
  const int Bottom = Top + Height - 1;
  if (Vertical) {
    const int LitRow = LightFirst ? Top + 1 : Bottom - 1;
    Line(C, Light, Left + 1, LitRow, Right, LitRow);
    for (int Y = Top + Height / 2 - 3; Y <= Top + Height / 2 + 3; Y += 3) {
      Line(C, Shade, Left + 4, Y, Right - 3, Y);
    }
    Line(C, Mark, Left + 1, Top + Height / 2, Left + 3, Top + Height / 2);
  } else {
    const int LitColumn = LightFirst ? Left + 1 : Right - 1;
    Line(C, Light, LitColumn, Top + 1, LitColumn, Bottom);
    for (int X = Left + Width / 2 - 3; X <= Left + Width / 2 + 3; X += 3) {
      Line(C, Shade, X, Top + 4, X, Bottom - 3);
    }
  }
}

void DrawCheckCell(TCanvas& C, int Left, int Top, bool Checked) {
  C.SetBrushColor(Ground);
  C.FillRect(Rect(Left, Top, Left + CheckSize, Top + CheckSize));
  C.SetBrushColor(Groove);
  C.SetPenColor(Rim);
  C.Rectangle(Left + 1, Top + 1, Left + CheckSize - 1, Top + CheckSize - 1);
  if (!Checked) return;
  C.SetBrushColor(Mark);
  C.FillRect(Rect(Left + 4, Top + 4, Left + CheckSize - 4, Top + CheckSize - 4));
}

void DrawSkin(TBitmap& Skin) {
  Skin.SetSize(CheckBoxX + CheckSize, VerticalThumbY + ThumbLength);
  TCanvas& C = Skin.Canvas();
  DrawTrack(C, 0, 0, BarBreadth, BarLength, true);
  DrawThumb(C, 0, VerticalThumbY, BarBreadth, ThumbLength, true, false);
  DrawTrack(C, HorizontalTrackX, 0, BarLength, BarBreadth, false);
  DrawThumb(C, HorizontalThumbX, VerticalThumbY - 40, ThumbLength, BarBreadth, false, true);
  DrawCheckCell(C, CheckBoxX, 0, false);
  DrawCheckCell(C, CheckBoxX, CheckSize, true);
}

class TGalleryForm : public TForm {
 public:
  TGalleryForm() {
    SetCaption("Component gallery");
    SetClientSize(330, 200);
    QPalette P = palette();
    P.setColor(QPalette::Window, QColor::fromRgb(RgbFromColor(Ground)));
    P.setColor(QPalette::WindowText, QColor(230, 234, 240));
    setPalette(P);

    TBitmap Picture;
    DrawSkin(Picture);
    Skin = new TSkinSource(this);
    Skin->SetBitmap(&Picture);

    auto* Vertical = new TSkinScrollBar(this);
    Vertical->SetBounds(20, 20, BarBreadth, BarLength);
    Vertical->SetSkinSource(Skin);
    auto* VerticalLabel = new TLabel(this, 12, 150, "");
    Vertical->OnChange = [=](TObject*) { Show(VerticalLabel, "Bar", Vertical->Value()); };
    Show(VerticalLabel, "Bar", Vertical->Value());

    auto* Horizontal = new TSkinScrollBar(this);
    Horizontal->SetOrientation(soHorizontal);
    Horizontal->SetBounds(60, 20, BarLength, BarBreadth);
    Horizontal->SetSkinSource(Skin);
    Horizontal->SetSkinXOffset(HorizontalTrackX);
    Horizontal->SetTTSkinXOffset(HorizontalThumbX);
    Horizontal->SetTTSkinYOffset(VerticalThumbY - 40);
    Horizontal->SetMin(-50);
    Horizontal->SetMax(50);
    auto* HorizontalLabel = new TLabel(this, 60, 44, "");
    Horizontal->OnChange = [=](TObject*) {
      Show(HorizontalLabel, "Horizontal bar", Horizontal->Value());
    };
    Show(HorizontalLabel, "Horizontal bar", Horizontal->Value());

    auto* Knob = new TKnob(this);
    Knob->SetBounds(60, 80, 27, 27);
    auto* KnobLabel = new TLabel(this, 100, 87, "");
    Knob->OnChange = [=](TObject*) { Show(KnobLabel, "Knob", Knob->Position()); };
    Show(KnobLabel, "Knob", Knob->Position());

    auto* Channel = new TChannelComboBox(this);
    Channel->move(220, 80);
    auto* ChannelLabel = new TLabel(this, 220, 110, "");
    Channel->OnChange = [=](TObject*) { Show(ChannelLabel, "Channel", Channel->GetChannel()); };
    Show(ChannelLabel, "Channel", Channel->GetChannel());

    auto* Check = new TSkinCheckBox(this);
    Check->SetBounds(60, 130, CheckSize, CheckSize);
    Check->SetSkinSource(Skin);
    Check->SetSkinXOffset(CheckBoxX);
    Check->SetGlyphRowCount(2);
    auto* CheckLabel = new TLabel(this, 84, 131, "");
    // The box turns on the press; its state is settled by the release.
    auto ShowCheck = [=] {
      CheckLabel->setText(Check->Checked() ? "Checked: yes" : "Checked: no");
      CheckLabel->adjustSize();
    };
    Check->OnMouseUp = [=](TObject*, TMouseButton, TShiftState, int, int) { ShowCheck(); };
    ShowCheck();
  }

 private:
  static void Show(TLabel* Label, const std::string& What, int Value) {
    Label->setText(QString::fromStdString(What + ": " + std::to_string(Value)));
    Label->adjustSize();
  }

  TSkinSource* Skin = nullptr;
};

TGalleryForm* GalleryForm = nullptr;

}  // namespace

int main(int argc, char** argv) {
  PreferX11Platform();
  try {
    TApplication App(argc, argv);
    App.SetTitle("Component gallery");
    try {
      App.CreateForm(GalleryForm);
      App.Run();
    } catch (const std::exception& E) {
      App.ShowException(E);
    }
    App.DestroyForms();
  } catch (const std::exception&) {
    // Without an application object there is nowhere to show the report.
  }
  return 0;
}
