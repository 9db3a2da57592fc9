#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <utility>
#include <vector>

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

// The real dialog, closed from inside its own event loop as soon as it shows.
TEST(RealFileDialogTest, StartsInTheGivenFolderElseAtHome) {
  QTemporaryDir Work;
  const QString Missing = Work.filePath("gone");
  const std::vector<std::pair<QString, QString>> Cases = {
      {"", QDir::homePath()}, {Work.path(), Work.path()}, {Missing, QDir::homePath()}};
  for (const auto& [Given, Expected] : Cases) {
    QString Shown;
    QTimer::singleShot(0, [&Shown] {
      auto* Dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!Dialog) return;
      Shown = Dialog->directory().absolutePath();
      Dialog->reject();
    });
    TFileDialogRequest Request;
    Request.Filter = "Vorlantix (*.vlx)|*.vlx";
    Request.InitialDir = Given.toStdString();
    EXPECT_FALSE(Dialogs().ExecuteFileDialog(Request).has_value());
    EXPECT_EQ(Shown, QDir(Expected).absolutePath()) << Given.toStdString();
  }
}
