#include <gtest/gtest.h>

#include <QDate>
#include <QSettings>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

#include "OsTestSupport.h"
#include "Registry.h"

namespace fs = std::filesystem;

namespace {

const char* const HostKey = "Software\\Melquor";

// Every test gets a configuration directory of its own; the name has a blank in it.
class RegistryTest : public ::testing::Test {
 protected:
  QTemporaryDir Temp;
  fs::path Config = fs::path(Temp.path().toStdString()) / "config home";
  TEnvScope ConfigHome{"XDG_CONFIG_HOME", Config.string()};
  fs::path HostFile = Config / "Melquor.conf";

  void WriteHostFile(const std::string& Text) {
    fs::create_directories(Config);
    WriteBytes(HostFile, Text);
  }
};

TEST_F(RegistryTest, OpeningAMissingKeyCreatesAnEmptyFileAndReadsDefaults) {
  ASSERT_FALSE(fs::exists(Config));
  TRegIniFile Key(HostKey);
  EXPECT_EQ(Key.KeyFile(), HostFile.string());
  ASSERT_TRUE(fs::is_regular_file(HostFile));
  EXPECT_EQ(fs::file_size(HostFile), 0u);
  EXPECT_EQ(Key.ReadString("Preferences", "Command", ""), "");
  EXPECT_EQ(Key.ReadString("Preferences", "Command", "none"), "none");
  EXPECT_EQ(Key.ReadInteger("Preferences", "MajorVersion", 0), 0);
  Key.CloseKey();
  EXPECT_TRUE(fs::is_regular_file(HostFile));
}

TEST_F(RegistryTest, WithoutXdgConfigHomeTheKeyLivesInDotConfig) {
  TEnvScope NoConfigHome("XDG_CONFIG_HOME", std::nullopt);
  TEnvScope Home("HOME", Temp.path().toStdString());
  TRegIniFile Key(HostKey);
  EXPECT_TRUE(
      fs::is_regular_file(fs::path(Temp.path().toStdString()) / ".config" / "Melquor.conf"));
  EXPECT_FALSE(fs::exists(HostFile));
}

TEST_F(RegistryTest, OpeningAnExistingKeyLeavesItUntouched) {
  const std::string Text = "[Preferences]\nCommand=/opt/host\nMajorVersion=2\nMinorVersion=4\n";
  WriteHostFile(Text);
  {
    TRegIniFile Key(HostKey);
    EXPECT_EQ(Key.ReadString("Preferences", "Command", ""), "/opt/host");
    EXPECT_EQ(Key.ReadInteger("Preferences", "MajorVersion", 0), 2);
    EXPECT_EQ(Key.ReadInteger("Preferences", "MinorVersion", 0), 4);
    Key.CloseKey();
  }
  EXPECT_EQ(ReadBytes(HostFile), Text);
}

TEST_F(RegistryTest, ValuesOutsideTheSectionAreNotRead) {
  WriteHostFile("Command=/root/level\n[Other]\nCommand=/other/host\n");
  TRegIniFile Key(HostKey);
  EXPECT_EQ(Key.ReadString("Preferences", "Command", "missing"), "missing");
  EXPECT_EQ(Key.ReadString("Other", "Command", ""), "/other/host");
}

TEST_F(RegistryTest, CommandWithBlanksAndCommasReadsBackAsOneString) {
  const struct {
    const char* File;
    const char* Command;
  } Cases[] = {
      {"[Preferences]\nCommand=/opt/My Host/bin/host\n", "/opt/My Host/bin/host"},
      {"[Preferences]\nCommand=/opt/a,b/host\n", "/opt/a,b/host"},
      {"[Preferences]\nCommand=/opt/Foo, Inc/bin/my host\n", "/opt/Foo, Inc/bin/my host"},
      {"[Preferences]\nCommand=  /opt/a , b ,c/host  \n", "/opt/a , b ,c/host"},
      {"[Preferences]\nCommand=\"/opt/a,b/host \"\n", "/opt/a,b/host "},
      // Escapes are decoded and a trailing comment dropped, as for any value.
      {"[Preferences]\nCommand=/opt/x\\ty,z/host ; note, here\n", "/opt/x\ty,z/host"},
      {"[Other]\nCommand=/wrong,1\n; Command=/comment,2\n"
       "[Preferences]\nMajorVersion=2\nCommand=/right,3\n[Last]\nCommand=/wrong,4\n",
       "/right,3"},
  };
  int Number = 0;
  for (const auto& Case : Cases) {
    // A directory per case: Qt caches what it has read from a file.
    const fs::path Dir = Config / std::to_string(++Number);
    TEnvScope Home("XDG_CONFIG_HOME", Dir.string());
    fs::create_directories(Dir);
    WriteBytes(Dir / "Melquor.conf", Case.File);
    TRegIniFile Key(HostKey);
    EXPECT_EQ(Key.ReadString("Preferences", "Command", "<default>"), Case.Command) << Case.File;
  }
}

TEST_F(RegistryTest, WrittenValuesReadBackAsTheySay) {
  {
    TRegIniFile Key(HostKey);
    Key.WriteString("Preferences", "Command", "/opt/Foo, Inc/bin/my host");
    Key.WriteString("Preferences", "Other", "@not a type marker");
    Key.WriteInteger("Preferences", "MajorVersion", 2);
    Key.WriteInteger("Preferences", "MinorVersion", -4);
    Key.CloseKey();
    Key.WriteString("Preferences", "Command", "dropped after CloseKey");
  }
  EXPECT_NE(ReadBytes(HostFile).find("[Preferences]"), std::string::npos);
  TRegIniFile Key(HostKey);
  EXPECT_EQ(Key.ReadString("Preferences", "Command", ""), "/opt/Foo, Inc/bin/my host");
  EXPECT_EQ(Key.ReadString("Preferences", "Other", ""), "@not a type marker");
  EXPECT_EQ(Key.ReadInteger("Preferences", "MajorVersion", 0), 2);
  EXPECT_EQ(Key.ReadInteger("Preferences", "MinorVersion", 0), -4);
}

TEST_F(RegistryTest, VersionNumbersFallBackToTheDefaultUnlessDecimal) {
  WriteHostFile(
      "[Preferences]\n"
      "Plain=2\nQuoted=\" 14 \"\nPlus=+4\nNegative=-1\n"
      "Empty=\nLetters=abc\nTrailing=2x\nFraction=2.4\nHex=0x10\nTwoSigns=+-4\n"
      "Huge=99999999999\nList=2,4\n");
  TRegIniFile Key(HostKey);
  EXPECT_EQ(Key.ReadInteger("Preferences", "Plain", 77), 2);
  EXPECT_EQ(Key.ReadInteger("Preferences", "Quoted", 77), 14);
  EXPECT_EQ(Key.ReadInteger("Preferences", "Plus", 77), 4);
  EXPECT_EQ(Key.ReadInteger("Preferences", "Negative", 77), -1);
  for (const char* Name :
       {"Absent", "Empty", "Letters", "Trailing", "Fraction", "Hex", "TwoSigns", "Huge", "List"}) {
    EXPECT_EQ(Key.ReadInteger("Preferences", Name, 77), 77) << Name;
  }
  EXPECT_EQ(Key.ReadInteger("Missing", "Plain", 77), 77);
}

TEST_F(RegistryTest, TypedValuesRaiseInvalidDataType) {
  fs::create_directories(Config);
  {
    // Written by Qt itself: a value with a type marker, not text.
    QSettings Host(QString::fromStdString(HostFile.string()), QSettings::IniFormat);
    Host.setValue("Preferences/MinorVersion", QDate(2000, 1, 15));
  }
  WriteHostFile(ReadBytes(HostFile) +
                "[Preferences]\nCommand=@ByteArray(/opt/host)\nRect=@Rect(1 2 3 4)\n"
                "Size=@Size(1 2)\nPoint=@Point(1 2)\nNothing=@Invalid()\n"
                "Escaped=@@ByteArray(x)\nText=@String(/opt/host)\n");
  TRegIniFile Key(HostKey);
  auto MessageOf = [&](const std::string& Ident) -> std::string {
    try {
      Key.ReadString("Preferences", Ident, "");
    } catch (const ERegistryException& E) {
      return E.what();
    }
    return "no exception";
  };
  EXPECT_EQ(MessageOf("Command"), "Invalid data type for 'Command'");
  EXPECT_EQ(MessageOf("Rect"), "Invalid data type for 'Rect'");
  EXPECT_EQ(MessageOf("Size"), "Invalid data type for 'Size'");
  EXPECT_EQ(MessageOf("Point"), "Invalid data type for 'Point'");
  EXPECT_EQ(MessageOf("Nothing"), "Invalid data type for 'Nothing'");
  EXPECT_EQ(MessageOf("MinorVersion"), "Invalid data type for 'MinorVersion'");
  EXPECT_THROW(Key.ReadInteger("Preferences", "MinorVersion", 0), ERegistryException);
  EXPECT_EQ(Key.ReadString("Preferences", "Escaped", ""), "@ByteArray(x)");
  EXPECT_EQ(Key.ReadString("Preferences", "Text", ""), "/opt/host");
}

TEST_F(RegistryTest, KeysMapOntoSettingsFiles) {
  EXPECT_EQ(RegistryKeyFile("Software\\Melquor"), HostFile.string());
  EXPECT_EQ(RegistryKeyFile("Software\\Melquor\\Tools"),
            (Config / "Melquor" / "Tools.conf").string());
  EXPECT_THROW(RegistryKeyFile("Software"), ERegistryException);
  EXPECT_THROW(RegistryKeyFile(""), ERegistryException);
}

}  // namespace
