#include <optional>
#include <ostream>

#include "AppFixture.h"
#include "ScriptedDesktop.h"

namespace {

// A desktop at twice the usual dots per inch where Qt does not scale: the
// forms are built for it, so the seam comes before the fixture.
struct TDoubleDpiDesktop {
  TScriptedDesktop Desktop{192};
  TSeamScope<TDesktopService> Scope{Desktop};
};

class HiDpiTest : private TDoubleDpiDesktop, public AppFixture {
 protected:
  // The window as it looks on a desktop of the usual dots per inch.
  QImage OneToOnePicture() {
    TScriptedDesktop Usual(96);
    TSeamScope<TDesktopService> UsualScope(Usual);
    TMainForm Plain;
    Plain.AttachSkinSources(*Data);
    Plain.show();
    return Plain.grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

// Every pixel of Small as a Factor x Factor block.
QImage Enlarged(const QImage& Small, int Factor) {
  QImage Big(Small.size() * Factor, QImage::Format_RGB32);
  for (int Y = 0; Y < Big.height(); ++Y) {
    for (int X = 0; X < Big.width(); ++X) Big.setPixel(X, Y, Small.pixel(X / Factor, Y / Factor));
  }
  return Big;
}

TEST_F(HiDpiTest, TheWindowIsTheOneToOnePictureWithEveryPixelDoubled) {
  Show();
  EXPECT_EQ(Main->size(), QSize(700, 560));
  EXPECT_EQ(Main->Box0->Width(), 313) << "sizes stay in the window's own pixels";
  const QImage Small = OneToOnePicture();
  ASSERT_EQ(Small.size(), QSize(350, 280));
  EXPECT_EQ(Main->grab().toImage().convertToFormat(QImage::Format_RGB32), Enlarged(Small, 2));

  // A pressed face, a turned knob and a moved line and marker as well.
  Main->UploadButton->SetGlyphIndex(1);
  Main->Y0Knob->SetPosition(10);
  const QImage Edited = Main->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage Block = Edited.copy(QRect(QPoint(2 * (23 + 2), 2 * (33 + 19)), QSize(2, 2)));
  EXPECT_EQ(Block, Enlarged(Block.copy(0, 0, 1, 1), 2));
  EXPECT_EQ(QColor(Block.pixel(1, 1)), LineGreen);
  for (int I = 0; I < 2; ++I)
    EXPECT_EQ(QColor(Edited.pixel(2 * 23 + I, 2 * (33 + 17))), MarkerGreen);
}

TEST_F(HiDpiTest, ATenPixelKnobDragIsTenOfTheWindowsPixels) {
  Show();
  TPointerDriver Pointer(*Main);
  // The driver takes logical positions: twice the window's pixels here.
  Pointer.Move(*Main->Y0Knob, {22, 22});
  Pointer.Press(*Main->Y0Knob, {22, 22});
  Pointer.Move(*Main->Y0Knob, {22, 2});
  Pointer.Release(*Main->Y0Knob, {22, 2});
  EXPECT_EQ(Main->Y0Knob->Position(), 10);
  EXPECT_EQ(Main->Waves[0]->Find(1)->Y, 10);
}

TEST_F(HiDpiTest, TheCaptionDragKeepsTheGrabPointAndThePopupFollowsTheWindow) {
  Show();
  const QPoint Start = Main->pos();
  TPointerDriver Pointer(*Main);
  Pointer.Press(*Main->CaptionBox, {20, 10});
  Pointer.Move(*Main->CaptionBox, {50, 24});
  Pointer.Release(*Main->CaptionBox, {20, 10});
  EXPECT_EQ(Main->pos(), Start + QPoint(30, 14));

  Pointer.Click(*Main->MenuButton, {4, 4});
  const auto Popups = Calls(TDialogCall::TKind::Popup);
  ASSERT_EQ(Popups.size(), 1u);
  EXPECT_EQ(QPoint(Popups[0].X, Popups[0].Y), Main->pos() + QPoint(60, 260));
}

TEST_F(HiDpiTest, NoticesKeepTheDesktopsTextSizeAndGrowAroundIt) {
  EXPECT_EQ(About->size(), QSize(460, 130));
  EXPECT_EQ(About->Label1->font().pixelSize(), 22);
  EXPECT_EQ(About->Label2->pos(), QPoint(96, 48));
  EXPECT_EQ(About->Image1->pixmap().size(), QSize(64, 64));
  EXPECT_EQ(Notice1->Button1->geometry(), QRect(544, 240, 130, 40));
}

// The three dialogs as a desktop of the given dots per inch builds them,
// where Qt does not scale.
struct TDialogs {
  explicit TDialogs(double Dpi) : Desktop(Dpi) {}
  std::vector<std::pair<TForm*, TImage*>> Icons() {
    return {{&About, About.Image1}, {&Notice1, Notice1.Image1}, {&Notice2, Notice2.Image1}};
  }
  TScriptedDesktop Desktop;
  TSeamScope<TDesktopService> Scope{Desktop};
  TAboutForm About;
  TMessage01Form Notice1;
  TMessage02Form Notice2;
};

// What the dialog shows within the icon's control.
QImage IconArea(TForm& Form, const TImage& Icon) {
  return Form.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(Icon.geometry());
}

// Where Part lies whole within Whole, if it does.
std::optional<QPoint> Find(const QImage& Whole, const QImage& Part) {
  for (int Y = 0; Y + Part.height() <= Whole.height(); ++Y) {
    for (int X = 0; X + Part.width() <= Whole.width(); ++X) {
      if (Whole.copy(QRect(QPoint(X, Y), Part.size())) == Part) return QPoint(X, Y);
    }
  }
  return std::nullopt;
}

struct TIconCase {
  double Scale;
  int Whole;
};

void PrintTo(const TIconCase& C, std::ostream* Out) {
  *Out << C.Scale << " x";
}

class IconScaleTest : public ::testing::TestWithParam<TIconCase> {};

// An icon is pixel art: at the nearest whole enlargement, every pixel a
// block, all of it inside its control, centred where the layout puts it,
// inside its dialog and clear of the text and the button.
TEST_P(IconScaleTest, EachDialogShowsItsWholeIconAtTheNearestWholeEnlargement) {
  const TIconCase& C = GetParam();
  TDialogs Plain(96);
  TDialogs Scaled(96 * C.Scale);
  for (std::size_t I = 0; I < 3; ++I) {
    auto [PlainForm, PlainIcon] = Plain.Icons()[I];
    auto [Form, Icon] = Scaled.Icons()[I];
    const std::string Name = Form->objectName().toStdString();
    const QImage Small = IconArea(*PlainForm, *PlainIcon);
    ASSERT_EQ(Small.size(), QSize(32, 32)) << Name;
    const QImage Big = Enlarged(Small, C.Whole);
    const std::optional<QPoint> At = Find(IconArea(*Form, *Icon), Big);
    ASSERT_TRUE(At) << Name << ": the control of " << Icon->width() << " x " << Icon->height()
                    << " does not show the whole icon of " << Big.width() << " x " << Big.height();
    const QRectF Shown(QPointF(Icon->pos() + *At), QSizeF(Big.size()));
    const QPointF Laid = QRectF(PlainIcon->geometry()).center() * C.Scale;
    EXPECT_LE((Shown.center() - Laid).manhattanLength(), 1.0) << Name;
    EXPECT_TRUE(QRectF(Form->rect()).contains(Shown)) << Name;
    for (const QWidget* Other : Form->findChildren<QWidget*>()) {
      if (Other == Icon) continue;
      EXPECT_FALSE(Shown.intersects(QRectF(Other->geometry()))) << Name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TextScales, IconScaleTest,
                         ::testing::Values(TIconCase{1.25, 1}, TIconCase{1.5, 2},
                                           TIconCase{1.75, 2}, TIconCase{2, 2}, TIconCase{2.5, 3}));

}  // namespace
