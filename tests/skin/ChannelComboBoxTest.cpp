#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "Channelcombobox.h"

namespace {

std::vector<std::string> Listed(TCustomComboBox& Box) {
  std::vector<std::string> Items;
  for (int I = 0; I < Box.Items().Count(); ++I) Items.push_back(Box.Items().Strings(I));
  return Items;
}

std::vector<std::string> Channels() {
  std::vector<std::string> Items;
  for (int I = 1; I <= 16; ++I) Items.push_back(std::to_string(I));
  return Items;
}

// Counts the window creations.
class TCountingBox : public TChannelComboBox {
 public:
  using TChannelComboBox::TChannelComboBox;
  int Creations = 0;
  // Qt's own way of replacing the native window.
  void Renew() {
    destroy();
    create();
  }

 protected:
  void CreateWnd() override {
    ++Creations;
    TChannelComboBox::CreateWnd();
  }
};

TEST(ChannelComboBox, ANewBoxListsTheSixteenChannelsWithChannel1Selected) {
  TChannelComboBox Box;
  EXPECT_EQ(Box.Width(), 41);
  EXPECT_EQ(Box.Style(), csDropDownList);
  EXPECT_FALSE(Box.isEditable());
  EXPECT_EQ(Box.lineEdit(), nullptr);
  EXPECT_EQ(Box.GetChannel(), 1);
  EXPECT_EQ(Listed(Box), Channels());
  EXPECT_EQ(Box.currentText().toStdString(), "1");
}

TEST(ChannelComboBox, TheWindowIsMadeOnceBeforeTheFirstShowOrQuestion) {
  QWidget Window;
  TCountingBox Shown(&Window);
  EXPECT_FALSE(Shown.HandleAllocated());
  EXPECT_EQ(Shown.count(), 0);
  Window.show();
  EXPECT_EQ(Shown.Creations, 1);
  EXPECT_EQ(Shown.count(), 16);
  Window.hide();
  Window.show();
  EXPECT_EQ(Shown.Creations, 1);

  TCountingBox Asked;
  EXPECT_EQ(Asked.GetChannel(), 1);
  Asked.SetChannel(3);
  Asked.Items();
  EXPECT_EQ(Asked.Creations, 1);
}

TEST(ChannelComboBox, ChannelIsTheSelectedIndexPlusOne) {
  TChannelComboBox Box;
  Box.SetChannel(16);
  EXPECT_EQ(Box.ItemIndex(), 15);
  EXPECT_EQ(Box.GetChannel(), 16);
  EXPECT_EQ(Box.currentText().toStdString(), "16");
  Box.SetChannel(0);
  EXPECT_EQ(Box.ItemIndex(), -1);
  EXPECT_EQ(Box.GetChannel(), 0);
  Box.SetChannel(5);
  Box.SetChannel(17);
  EXPECT_EQ(Box.GetChannel(), 0);
  Box.SetChannel(-3);
  EXPECT_EQ(Box.GetChannel(), 0);
  EXPECT_EQ(Box.count(), 16);
}

TEST(ChannelComboBox, ARecreatedWindowKeepsOneListAndTheChannel) {
  TCountingBox Box;
  Box.SetChannel(7);
  Box.RecreateWnd();
  Box.RecreateWnd();
  EXPECT_EQ(Box.Creations, 3);
  EXPECT_EQ(Listed(Box), Channels());
  EXPECT_EQ(Box.GetChannel(), 7);
  // A list that is no longer the channels is made whole again, at channel 1.
  Box.Items().Add("17");
  Box.RecreateWnd();
  EXPECT_EQ(Listed(Box), Channels());
  EXPECT_EQ(Box.GetChannel(), 1);
}

// The window system takes a native window down and makes a new one.
TEST(ChannelComboBox, AWindowTheWindowSystemRecreatesKeepsOneList) {
  TCountingBox Box;
  Box.show();
  const WId Old = Box.winId();
  ASSERT_NE(Old, 0u);
  EXPECT_EQ(Box.Creations, 1);
  Box.SetChannel(12);
  Box.Renew();
  ASSERT_NE(Box.winId(), Old);
  EXPECT_EQ(Box.Creations, 2);
  EXPECT_EQ(Listed(Box), Channels());
  EXPECT_EQ(Box.GetChannel(), 12);
}

TEST(ChannelComboBox, OnlyTheUsersChoiceFiresOnChange) {
  QWidget Window;
  TChannelComboBox Box(&Window);
  Window.show();
  std::vector<int> Seen;
  Box.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &Box);
    Seen.push_back(Box.GetChannel());
  };
  Box.SetChannel(4);
  EXPECT_TRUE(Seen.empty());
  QTest::keyClick(&Box, Qt::Key_Down);
  QTest::keyClick(&Box, Qt::Key_Down);
  EXPECT_EQ(Seen, (std::vector<int>{5, 6}));
  // Typing picks an item; it never enters text.
  QTest::keyClick(&Box, Qt::Key_9);
  EXPECT_EQ(Box.GetChannel(), 9);
  EXPECT_EQ(Box.count(), 16);
}

TEST(CustomComboBox, TheToolkitsComboBoxIsEditableAndSelectsNothingByItself) {
  TCustomComboBox Box;
  EXPECT_EQ(Box.Style(), csDropDown);
  EXPECT_TRUE(Box.isEditable());
  EXPECT_EQ(Box.Items().Add("a"), 0);
  EXPECT_EQ(Box.Items().Add("b"), 1);
  EXPECT_EQ(Box.ItemIndex(), -1);
  EXPECT_EQ(Box.Items().Strings(1), "b");
  EXPECT_EQ(Box.Items().Strings(2), "");
  Box.SetItemIndex(1);
  Box.Items().Add("c");
  EXPECT_EQ(Box.ItemIndex(), 1);
  Box.SetStyle(csDropDownList);
  EXPECT_FALSE(Box.isEditable());
  EXPECT_EQ(Box.ItemIndex(), 1);
  Box.Items().Clear();
  EXPECT_EQ(Box.Items().Count(), 0);
  EXPECT_EQ(Box.ItemIndex(), -1);
  // Without a window there is nothing to re-create.
  TCustomComboBox Unmade;
  Unmade.RecreateWnd();
  EXPECT_FALSE(Unmade.HandleAllocated());
}

}  // namespace
