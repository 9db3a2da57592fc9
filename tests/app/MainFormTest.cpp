#include <QTest>
#include <array>

#include "AppFixture.h"

namespace {

struct TNodeXY {
  double X, Y;
};

std::vector<TNodeXY> NodesOf(const TNodeList& Wave) {
  std::vector<TNodeXY> Result;
  for (const TNode* N = Wave.FirstByIndex; N; N = N->NextByIndex) Result.push_back({N->X, N->Y});
  return Result;
}

void ExpectDefaultDesign(const TNodeList& Wave) {
  const std::vector<TNodeXY> Nodes = NodesOf(Wave);
  ASSERT_EQ(Nodes.size(), 5u);
  const double Xs[] = {0, 75, 150, 225, 300};
  const double Ys[] = {0, 27, 0, -27, 0};
  for (int I = 0; I < 5; ++I) {
    EXPECT_EQ(Nodes[I].X, Xs[I]) << "node " << I + 1;
    EXPECT_EQ(Nodes[I].Y, Ys[I]) << "node " << I + 1;
  }
}

using MainFormTest = AppFixture;

TEST_F(MainFormTest, StartsWithTheLayoutValuesAndTheUntouchedDefaultDesign) {
  EXPECT_EQ(Main->width(), 350);
  EXPECT_EQ(Main->height(), 280);
  EXPECT_TRUE(Main->windowFlags() & Qt::FramelessWindowHint);
  for (TSkinKnob* K : {Main->X0Knob, Main->X1Knob}) {
    EXPECT_EQ(K->Position(), 1);
    EXPECT_EQ(K->GlyphIndex(), 0);
  }
  for (TSkinKnob* K : {Main->Y0Knob, Main->Y1Knob, Main->T0Knob, Main->T1Knob}) {
    EXPECT_EQ(K->Position(), 0);
    EXPECT_EQ(K->GlyphIndex(), 36);
  }
  EXPECT_EQ(Main->X0Knob->SkinYOffset(), 0);
  EXPECT_EQ(Main->X1Knob->SkinYOffset(), 22);
  EXPECT_EQ(Main->UploadButton->GlyphColCount(), 2);
  EXPECT_EQ(Main->UploadButton->SkinXOffset(), 211);
  EXPECT_EQ(Main->CloseButton->SkinSource(), Data->ButtonSource);
  EXPECT_EQ(Main->T1Knob->SkinSource(), Data->KnobSource);
  // The X knobs show 1, but no change handler ran: node 1 keeps X 0.
  ExpectDefaultDesign(*Main->Waves[0]);
  ExpectDefaultDesign(*Main->Waves[1]);
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_TRUE(Main->FileName.empty());

  ASSERT_EQ(Main->PopupMenu->Items().size(), 5u);
  const char* Captions[] = {"New", "Open", "Save", "Save As", "About"};
  for (int I = 0; I < 5; ++I) {
    EXPECT_EQ(Main->PopupMenu->Items()[I]->Action()->text().toStdString(), Captions[I]);
  }
}

TEST_F(MainFormTest, DisplaysTheDefaultTriangleWithTheMarkerOfNode1InBothBoxes) {
  Show();
  for (int Box = 0; Box < 2; ++Box) {
    SCOPED_TRACE(Box);
    for (auto [X, Y] : {std::pair{2, 29}, {77, 2}, {152, 29}, {227, 56}, {40, 15}, {190, 42}}) {
      EXPECT_EQ(BoxPixel(Box, X, Y), LineGreen) << X << "," << Y;
    }
    for (int I = 0; I <= 4; ++I) {
      EXPECT_EQ(BoxPixel(Box, I, 27), MarkerGreen) << I;
      EXPECT_EQ(BoxPixel(Box, I, 31), MarkerGreen) << I;
      EXPECT_EQ(BoxPixel(Box, 0, 27 + I), MarkerGreen) << I;
      EXPECT_EQ(BoxPixel(Box, 4, 27 + I), MarkerGreen) << I;
    }
    // Inside the marker and away from the line the background shows.
    EXPECT_NE(BoxPixel(Box, 1, 28), MarkerGreen);
    EXPECT_NE(BoxPixel(Box, 100, 40), LineGreen);
  }
}

// Counts the paint events a widget receives, whoever asked for them.
class TPaintCounter : public QObject {
 public:
  explicit TPaintCounter(QWidget& Widget) { Widget.installEventFilter(this); }
  int Count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) ++Count;
    return false;
  }
};

// Counted before any grab(), which paints the whole window again by itself.
TEST_F(MainFormTest, AnEditRepaintsItsOwnBoxAndAStepPastEitherEndRepaintsNothing) {
  Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
  QCoreApplication::processEvents();
  {
    TPaintCounter Paints0(*Main->Box0), Paints1(*Main->Box1);
    Main->Y0Knob->SetPosition(10);
    QCoreApplication::processEvents();
    EXPECT_GE(Paints0.Count, 1);
    EXPECT_EQ(Paints1.Count, 0);
  }
  EXPECT_EQ(Main->Waves[0]->Find(1)->Y, 10);
  EXPECT_EQ(BoxPixel(0, 2, 19), LineGreen);
  EXPECT_NE(BoxPixel(0, 2, 29), LineGreen);
  EXPECT_EQ(BoxPixel(1, 2, 29), LineGreen) << "wave 1 is untouched";

  TPaintCounter Paints0(*Main->Box0), Paints1(*Main->Box1);
  Main->LeftClick(Main->LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_EQ(Paints0.Count, 0) << "Left at node 1";
  EXPECT_EQ(Paints1.Count, 0) << "Left at node 1";

  // Each step between nodes moves the markers in both boxes.
  const int Last = Main->Waves[0]->Count();
  for (int I = 1; I < Last; ++I) Main->RightClick(Main->RightButton);
  QCoreApplication::processEvents();
  ASSERT_EQ(Main->SelectedNode, Last);
  EXPECT_GE(Paints0.Count, Last - 1);
  EXPECT_GE(Paints1.Count, Last - 1);
  const int Stepped0 = Paints0.Count, Stepped1 = Paints1.Count;
  Main->RightClick(Main->RightButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(Main->SelectedNode, Last);
  EXPECT_EQ(Paints0.Count, Stepped0) << "Right at the last node";
  EXPECT_EQ(Paints1.Count, Stepped1) << "Right at the last node";
}

TEST_F(MainFormTest, TurningAnXKnobOnTheStartNodeChangesOnlyTheKnob) {
  Main->X0Knob->SetPosition(50);
  EXPECT_EQ(Main->X0Knob->Position(), 50);
  EXPECT_EQ(Main->Waves[0]->Find(1)->X, 0);
}

TEST_F(MainFormTest, EachKnobWritesOnlyItsOwnFieldOfItsOwnWave) {
  Main->RightClick(nullptr);
  auto Fields = [&](int Wave) {
    const TNode* Node = Main->Waves[Wave]->Find(2);
    return std::array{Node->X, Node->Y, Node->T};
  };
  struct TCase {
    TSkinKnob* Knob;
    int Wave, Field, Position;
    double Value;
  };
  const TCase Cases[] = {{Main->X0Knob, 0, 0, 80, 80}, {Main->Y0Knob, 0, 1, -5, -5},
                         {Main->T0Knob, 0, 2, 10, 2},  {Main->X1Knob, 1, 0, 90, 90},
                         {Main->Y1Knob, 1, 1, 7, 7},   {Main->T1Knob, 1, 2, -5, -1}};
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(&Case - Cases);
    std::array Expected{Fields(0), Fields(1)};
    Expected[Case.Wave][Case.Field] = Case.Value;
    Case.Knob->SetPosition(Case.Position);
    EXPECT_EQ(Fields(0), Expected[0]);
    EXPECT_EQ(Fields(1), Expected[1]);
  }
}

TEST_F(MainFormTest, ADragOnTheUpperLevelKnobRaisesTheStartOfWave0) {
  Show();
  TPointerDriver Pointer(*Main);
  Pointer.Move(*Main->Y0Knob, {11, 11});
  Pointer.Press(*Main->Y0Knob, {11, 11});
  Pointer.Move(*Main->Y0Knob, {11, 1});
  Pointer.Release(*Main->Y0Knob, {11, 1});
  EXPECT_EQ(Main->Y0Knob->Position(), 10);
  EXPECT_EQ(Main->Waves[0]->Find(1)->Y, 10);
  EXPECT_EQ(Main->Waves[1]->Find(1)->Y, 0);
}

TEST_F(MainFormTest, AddAfterNode1InsertsTheMidpointAndWritesBackWholeNumbers) {
  Main->AddClick(Main->AddButton);
  EXPECT_EQ(Main->SelectedNode, 2);
  for (int W = 0; W < 2; ++W) {
    ASSERT_EQ(Main->Waves[W]->Count(), 6);
    const TNode* N = Main->Waves[W]->Find(2);
    EXPECT_EQ(N->X, 37);
    EXPECT_EQ(N->Y, 13);
    EXPECT_EQ(N->T, 0);
    EXPECT_EQ(Main->Waves[W]->Find(3)->X, 75);
  }
  EXPECT_EQ(Main->X0Knob->Position(), 37);
  EXPECT_EQ(Main->Y1Knob->Position(), 13);
  EXPECT_EQ(Main->T0Knob->Position(), 0);
}

TEST_F(MainFormTest, AddAtTheLastNodeInsertsBeforeItAndKeepsTheSelection) {
  for (int I = 0; I < 4; ++I) Main->RightClick(Main->RightButton);
  ASSERT_EQ(Main->SelectedNode, 5);
  Main->AddClick(Main->AddButton);
  EXPECT_EQ(Main->SelectedNode, 5);
  EXPECT_EQ(Main->Waves[0]->Count(), 6);
  EXPECT_EQ(Main->Waves[0]->Find(5)->X, 262);
  EXPECT_EQ(Main->Waves[0]->Find(5)->Y, -13);
  EXPECT_EQ(Main->Waves[1]->Find(6)->X, 300);
}

TEST_F(MainFormTest, DeleteSelectsTheFollowingNodeAndRefusesEndNodes) {
  Main->RightClick(nullptr);
  Main->RightClick(nullptr);
  Main->DeleteClick(nullptr);
  EXPECT_EQ(Main->SelectedNode, 3);
  EXPECT_EQ(Main->Waves[1]->Count(), 4);
  EXPECT_EQ(Main->X0Knob->Position(), 225);
  EXPECT_EQ(Main->Y0Knob->Position(), -27);
  EXPECT_EQ(Main->T1Knob->Position(), 0);

  // With the start node selected nothing is deleted, but the knobs are loaded.
  Main->LeftClick(nullptr);
  Main->LeftClick(nullptr);
  ASSERT_EQ(Main->SelectedNode, 1);
  Main->Y0Knob->SetPosition(20);
  Main->Waves[0]->SetY(1, 5);
  Main->DeleteClick(nullptr);
  EXPECT_EQ(Main->Waves[0]->Count(), 4);
  EXPECT_EQ(Main->Y0Knob->Position(), 5);
}

TEST_F(MainFormTest, NavigationStopsAtBothEnds) {
  Main->Y0Knob->SetPosition(7);
  Main->LeftClick(nullptr);
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_EQ(Main->Y0Knob->Position(), 7) << "no knob is set at the first node";
  for (int I = 0; I < 10; ++I) Main->RightClick(nullptr);
  EXPECT_EQ(Main->SelectedNode, 5);
  EXPECT_EQ(Main->X0Knob->Position(), 300);
}

TEST_F(MainFormTest, UpdateKnobsHoldsLevelsInRangeAndTruncatesTowardZero) {
  Main->Waves[0]->SetY(2, 40);
  Main->Waves[1]->SetY(2, -13.5);
  Main->Waves[0]->SetT(2, -1.3);
  Main->RightClick(nullptr);
  EXPECT_EQ(Main->Y0Knob->Position(), 27);
  EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 27);
  EXPECT_EQ(Main->Y1Knob->Position(), -13);
  EXPECT_EQ(Main->Waves[1]->Find(2)->Y, -13);
  EXPECT_EQ(Main->T0Knob->Position(), -6);
  EXPECT_DOUBLE_EQ(Main->Waves[0]->Find(2)->T, -1.2000000000000002);
}

TEST_F(MainFormTest, EveryTensionTheKnobSetsReadsBackUnchanged) {
  for (int P = -100; P <= 100; ++P) {
    Main->T0Knob->SetPosition(P);
    Main->UpdateKnobs();
    ASSERT_EQ(Main->T0Knob->Position(), P);
  }
}

TEST_F(MainFormTest, CaptionDragMovesTheWindowWithAnyButton) {
  Show();
  for (Qt::MouseButton Button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    SCOPED_TRACE(Button);
    const QPoint Start = Main->pos();
    TPointerDriver Pointer(*Main);
    Pointer.Press(*Main->CaptionBox, {10, 5}, Button);
    EXPECT_TRUE(Main->Dragging);
    Pointer.Move(*Main->CaptionBox, {25, 12});
    EXPECT_EQ(Main->pos(), Start + QPoint(15, 7));
    Pointer.Release(*Main->CaptionBox, {10, 5}, Button);
    EXPECT_FALSE(Main->Dragging);
    const QPoint After = Main->pos();
    Pointer.Move(*Main->CaptionBox, {40, 9});
    EXPECT_EQ(Main->pos(), After) << "no drag after the release";
  }
}

TEST_F(MainFormTest, ACaptionDragFollowsMovesQueuedBeforeTheWindowMoved) {
  Show();
  const QPoint Origin = Main->mapToGlobal(QPoint(0, 0));
  const QPoint Start = Main->pos();
  TPointerDriver Pointer(*Main);
  Pointer.Press(*Main->CaptionBox, {10, 5});
  // Both reported before the first one moved the window: the pointer went
  // 30 right and 14 down in all, and so must the window.
  Pointer.MoveReportedAt(Origin, *Main->CaptionBox, {25, 12});
  Pointer.MoveReportedAt(Origin, *Main->CaptionBox, {40, 19});
  EXPECT_EQ(Main->pos(), Start + QPoint(30, 14));
  Pointer.Release(*Main->CaptionBox, {10, 5});
}

TEST_F(MainFormTest, APressWithoutMovingLeavesTheWindowWhereItWas) {
  Show();
  const QPoint Start = Main->pos();
  TPointerDriver Pointer(*Main);
  Pointer.Press(*Main->CaptionBox, {50, 8});
  Pointer.Release(*Main->CaptionBox, {50, 8});
  EXPECT_EQ(Main->pos(), Start);
}

TEST_F(MainFormTest, ThePopupMenuOpensAtWindowPoint30_130AndFollowsTheWindow) {
  Show();
  TPointerDriver Pointer(*Main);
  Pointer.Click(*Main->MenuButton, {14, 2});
  auto Popups = Calls(TDialogCall::TKind::Popup);
  ASSERT_EQ(Popups.size(), 1u);
  EXPECT_EQ(Popups[0].Menu, Main->PopupMenu);
  EXPECT_EQ(Popups[0].X, Main->x() + 30);
  EXPECT_EQ(Popups[0].Y, Main->y() + 130);

  Pointer.Press(*Main->CaptionBox, {10, 5});
  Pointer.Move(*Main->CaptionBox, {-30, 45});
  Pointer.Release(*Main->CaptionBox, {10, 5});
  Pointer.Click(*Main->MenuButton, {1, 15});
  Popups = Calls(TDialogCall::TKind::Popup);
  ASSERT_EQ(Popups.size(), 2u);
  EXPECT_EQ(Popups[1].X, 100 - 40 + 30);
  EXPECT_EQ(Popups[1].Y, 80 + 40 + 130);
}

TEST_F(MainFormTest, OnlySkinControlsReceiveASkinSource) {
  // A plain widget carrying a skin's name, as a later layout row could: were
  // it taken for a skin control, its source would be written past its end.
  auto* Stranger = new QWidget(Main.get());
  Stranger->setProperty(SkinSourceProperty, ButtonSourceName);
  Main->AttachSkinSources(*Data);

  std::size_t Skinned = 0;
  for (QObject* Child : Main->children()) {
    auto* Control = dynamic_cast<TSkinControl*>(Child);
    if (!Control) continue;
    ++Skinned;
    const bool Knob = Control->property(SkinSourceProperty).toString() == KnobSourceName;
    EXPECT_EQ(Control->SkinSource(), Knob ? Data->KnobSource : Data->ButtonSource);
  }
  EXPECT_EQ(Skinned, 17u);
  EXPECT_EQ(static_cast<std::size_t>(Main->findChildren<TSkinControl*>().size()), Skinned);
}

TEST_F(MainFormTest, TheCloseButtonClosesTheWindow) {
  Show();
  TPointerDriver Pointer(*Main);
  Pointer.Click(*Main->CloseButton, {5, 5});
  EXPECT_FALSE(Main->isVisible());
}

TEST_F(MainFormTest, AboutIsShownModallyAndItsLinkOpensTheSiteEachTime) {
  Main->AboutPopupItem->Click();
  const auto Modal = Calls(TDialogCall::TKind::ShowModal);
  ASSERT_EQ(Modal.size(), 1u);
  EXPECT_EQ(Modal[0].Form, AboutForm);
  EXPECT_EQ(AboutForm->windowTitle().toStdString(), "About Vorlantix");
  EXPECT_EQ(AboutForm->Label1->text().toStdString(), "Vorlantix 1.0 Beta , Jan 2000");

  AboutForm->show();
  QTest::mouseClick(AboutForm->Label3, Qt::LeftButton);
  QTest::mouseClick(AboutForm->Label3, Qt::LeftButton);
  QTest::mouseClick(AboutForm->Label1, Qt::LeftButton);
  ASSERT_EQ(Launcher.Calls.size(), 2u);
  EXPECT_EQ(Launcher.Calls[0].Kind, TShellCall::TKind::URL);
  EXPECT_EQ(Launcher.Calls[1].File, MakerWebSite);
  EXPECT_TRUE(AboutForm->isVisible());
}

}  // namespace
