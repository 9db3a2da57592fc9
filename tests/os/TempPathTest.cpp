#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

#include "OsTestSupport.h"
#include "TempPath.h"

namespace fs = std::filesystem;

namespace {

TEST(UploadFileNameTest, UntitledDesignUsesTheProgramName) {
  EXPECT_EQ(UploadFileName(""), "Vorlantix.wav");
}

TEST(UploadFileNameTest, ExtensionIsReplacedOrAdded) {
  EXPECT_EQ(UploadFileName("/x/bell.vlx"), "bell.wav");
  EXPECT_EQ(UploadFileName("/x/bell"), "bell.wav");
  EXPECT_EQ(UploadFileName("/x/a.b.vlx"), "a.b.wav");
  EXPECT_EQ(UploadFileName("bell.vlx"), "bell.wav");
  EXPECT_EQ(UploadFileName("/x/trail."), "trail.wav");
  EXPECT_EQ(UploadFileName("/x/bell.wav"), "bell.wav");
}

TEST(UploadFileNameTest, OnlyTheFileNamePartCounts) {
  EXPECT_EQ(UploadFileName("/home/a.d/bell"), "bell.wav");
  EXPECT_EQ(UploadFileName("/home/My Songs/My Bell.vlx"), "My Bell.wav");
  // On this platform backslashes and colons are ordinary name characters.
  EXPECT_EQ(UploadFileName("/x/c:\\y\\bell.vlx"), "c:\\y\\bell.wav");
  EXPECT_EQ(UploadFileName("/x/"), "Vorlantix.wav");
}

TEST(UploadFileNameTest, LeadingDotBelongsToTheName) {
  EXPECT_EQ(UploadFileName("/x/.hidden"), ".hidden.wav");
  EXPECT_EQ(UploadFileName("/x/.hidden.vlx"), ".hidden.wav");
  EXPECT_EQ(UploadFileName(".vlx"), ".vlx.wav");
}

class TempPathTest : public ::testing::Test {
 protected:
  QTemporaryDir Temp;
  // Canonical, as the temporary directory is reported.
  fs::path Base = fs::path(QDir(Temp.path()).canonicalPath().toStdString());
};

TEST_F(TempPathTest, HonoursTmpdirWithBlanksAndEndsInASlash) {
  const fs::path Dir = Base / "my temp dir";
  fs::create_directories(Dir);
  TEnvScope Tmpdir("TMPDIR", Dir.string());
  EXPECT_EQ(GetTempPath(), Dir.string() + "/");
  TEnvScope Trailing("TMPDIR", Dir.string() + "/");
  EXPECT_EQ(GetTempPath(), Dir.string() + "/");
}

TEST_F(TempPathTest, WithoutTmpdirItIsTmp) {
  TEnvScope Tmpdir("TMPDIR", std::nullopt);
  EXPECT_EQ(GetTempPath(), QDir("/tmp").canonicalPath().toStdString() + "/");
}

TEST_F(TempPathTest, MissingDirectoryOrAFileGivesNothing) {
  {
    TEnvScope Tmpdir("TMPDIR", (Base / "missing").string());
    EXPECT_EQ(GetTempPath(), std::nullopt);
  }
  // Writable and executable, yet no directory.
  WriteBytes(Base / "plain file", "x");
  fs::permissions(Base / "plain file", fs::perms::owner_all);
  TEnvScope Tmpdir("TMPDIR", (Base / "plain file").string());
  EXPECT_EQ(GetTempPath(), std::nullopt);
}

TEST_F(TempPathTest, PathsLongerThanTheLimitGiveNothing) {
  // Two nested directories whose full path, slash included, is exactly at the limit and one past
  // it.
  const fs::path Middle = Base / std::string(100, 'm');
  const std::size_t Rest = MaxTempPathLength - Middle.string().size() - 2;
  ASSERT_LT(Rest, 256u);
  const fs::path AtLimit = Middle / std::string(Rest, 'a');
  const fs::path PastLimit = Middle / std::string(Rest + 1, 'b');
  fs::create_directories(AtLimit);
  fs::create_directories(PastLimit);
  ASSERT_EQ(AtLimit.string().size() + 1, MaxTempPathLength);
  {
    TEnvScope Tmpdir("TMPDIR", AtLimit.string());
    EXPECT_EQ(GetTempPath(), AtLimit.string() + "/");
  }
  TEnvScope Tmpdir("TMPDIR", PastLimit.string());
  EXPECT_EQ(GetTempPath(), std::nullopt);
}

}  // namespace
