#include <gtest/gtest.h>

#include "Dialogs.h"

namespace {

TEST(FileTypesTest, KeepTheDescriptionsAndFindEachTypesExtension) {
  const auto Types = FileTypes("Vorlantix (*.vlx)|*.vlx|Wave (Microsoft) (*wav)|*.wav");
  ASSERT_EQ(Types.size(), 2u);
  EXPECT_EQ(Types[0].NameFilter, "Vorlantix (*.vlx)");
  EXPECT_EQ(Types[0].Extension, "vlx");
  // Shown as written; Qt applies "*wav", which every WAV name matches.
  EXPECT_EQ(Types[1].NameFilter, "Wave (Microsoft) (*wav)");
  EXPECT_EQ(Types[1].Extension, "wav");
}

TEST(FileTypesTest, ADescriptionWithoutPatternsGetsTheTypesOwn) {
  const auto Types = FileTypes("Pictures|*.bmp;*.png|All|*");
  ASSERT_EQ(Types.size(), 2u);
  EXPECT_EQ(Types[0].NameFilter, "Pictures (*.bmp *.png)");
  EXPECT_EQ(Types[0].Extension, "bmp");
  EXPECT_EQ(Types[1].NameFilter, "All (*)");
  EXPECT_EQ(Types[1].Extension, "");
  EXPECT_TRUE(FileTypes("").empty());
  EXPECT_TRUE(FileTypes("Lonely description").empty());
}

}  // namespace
