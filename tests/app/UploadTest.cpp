#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "AppFixture.h"
#include "OsTestSupport.h"
#include "Registry.h"
#include "Wav.h"

namespace {

// A private configuration folder (where the host registers itself) and a
// temporary folder with a blank in its name.
class UploadTest : public AppFixture {
 protected:
  UploadTest()
      : ConfigScope("XDG_CONFIG_HOME", Root.filePath("config").toStdString()),
        TmpScope("TMPDIR", Root.filePath("tmp dir").toStdString()) {
    QDir(Root.path()).mkpath("tmp dir");
  }

  std::string KeyFile() const { return Root.filePath("config/Melquor.conf").toStdString(); }
  std::string TempDir() const { return Root.filePath("tmp dir").toStdString() + "/"; }

  void Register(const std::string& Lines) {
    QDir(Root.path()).mkpath("config");
    std::ofstream(KeyFile()) << "[Preferences]\n" << Lines;
  }

  int NoticesShown(QWidget* Notice) const {
    int Count = 0;
    for (const auto& C : Calls(TDialogCall::TKind::ShowModal)) Count += C.Form == Notice;
    return Count;
  }

  QTemporaryDir Root;
  TEnvScope ConfigScope;
  TEnvScope TmpScope;
};

TEST_F(UploadTest, WithoutARegisteredHostTheNoticeShowsAndNothingElseHappens) {
  Main->UploadClick(Main->UploadButton);
  EXPECT_EQ(NoticesShown(Message02Form), 1);
  EXPECT_EQ(NoticesShown(Message01Form), 0);
  EXPECT_TRUE(Launcher.Calls.empty());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(KeyFile()))) << "the key is created";
  EXPECT_FALSE(QFile::exists(QString::fromStdString(TempDir() + "Vorlantix.wav")));

  Register("Command=\nMajorVersion=3\n");
  Main->UploadClick(Main->UploadButton);
  EXPECT_EQ(NoticesShown(Message02Form), 2) << "an empty command counts as none";
}

TEST_F(UploadTest, AHostWithoutVersionGetsTheOlderVersionNoticeAndTheFile) {
  Register("Command=/opt/Some Host/bin/host\n");
  Main->UploadClick(Main->UploadButton);
  EXPECT_EQ(NoticesShown(Message01Form), 1);
  const std::string Wav = TempDir() + "Vorlantix.wav";
  ASSERT_EQ(Launcher.Calls.size(), 1u);
  EXPECT_EQ(Launcher.Calls[0].Kind, TShellCall::TKind::Open);
  EXPECT_EQ(Launcher.Calls[0].File, "/opt/Some Host/bin/host");
  EXPECT_EQ(Launcher.Calls[0].Parameters, (std::vector<std::string>{Wav, "/DEL"}));
  EXPECT_EQ(ReadBytes(Wav).size(), 22860u);
}

TEST_F(UploadTest, VersionsFrom2_4OnPassSilently) {
  const struct {
    const char* Major;
    const char* Minor;
    int Notices;
  } Cases[] = {{"2", "4", 0}, {"3", "0", 0}, {"1", "150", 0}, {"2", "10", 0},
               {"2", "3", 1}, {"1", "9", 1}, {"x", "4", 1}};
  int Expected = 0;
  for (const auto& Case : Cases) {
    Register(std::string("Command=host\nMajorVersion=") + Case.Major +
             "\nMinorVersion=" + Case.Minor + "\n");
    Main->UploadClick(nullptr);
    Expected += Case.Notices;
    EXPECT_EQ(NoticesShown(Message01Form), Expected) << Case.Major << "." << Case.Minor;
  }
  EXPECT_EQ(Launcher.Calls.size(), std::size(Cases));
}

TEST_F(UploadTest, TheTemporaryFileIsNamedAfterTheDocument) {
  Register("Command=host\nMajorVersion=2\nMinorVersion=4\n");
  for (auto [Document, Expected] : {std::pair{"/x/bell.vlx", "bell.wav"},
                                    {"/x/bell", "bell.wav"},
                                    {"/x/a.b.vlx", "a.b.wav"},
                                    {"", "Vorlantix.wav"}}) {
    Main->FileName = Document;
    Main->UploadClick(nullptr);
    ASSERT_FALSE(Launcher.Calls.empty());
    EXPECT_EQ(Launcher.Calls.back().Parameters[0], TempDir() + Expected);
    EXPECT_EQ(Main->FileName, Document) << "the upload only reads the name";
  }
}

TEST_F(UploadTest, AValueOfTheWrongTypeEndsTheCommandWithTheExceptionReport) {
  Register("Command=@ByteArray(host)\n");
  EXPECT_THROW(Main->UploadClick(nullptr), ERegistryException);

  // Clicked for real, the application reports it and goes on.
  Main->show();
  TPointerDriver Pointer(*Main);
  Pointer.Click(*Main->UploadButton, {30, 10});
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "Invalid data type for 'Command'");
  EXPECT_TRUE(Launcher.Calls.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(TempDir() + "Vorlantix.wav")));
  EXPECT_EQ(Main->UploadButton->GlyphIndex(), 0) << "the button is released afterwards";
}

TEST_F(UploadTest, WithoutATemporaryFolderNothingIsWrittenOrStarted) {
  Register("Command=host\nMajorVersion=2\nMinorVersion=4\n");
  TEnvScope Missing("TMPDIR", Root.filePath("gone").toStdString());
  Main->UploadClick(nullptr);
  EXPECT_TRUE(Launcher.Calls.empty());
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "Vorlantix");
}

TEST_F(UploadTest, TheNoticesCarryTheirTextsAndEndWithOk) {
  EXPECT_EQ(Notice1->windowTitle().toStdString(), "Vorlantix");
  EXPECT_EQ(Notice1->size(), QSize(356, 146));
  EXPECT_EQ(Notice1->Label2->text().toStdString(),
            "You can use this version to upload, but Vorlantix files are ");
  EXPECT_EQ(Notice1->Label2->pos(), QPoint(56, 40));
  EXPECT_EQ(Notice1->Button1->geometry(), QRect(272, 120, 65, 20));
  EXPECT_TRUE(Notice1->Button1->isDefault());
  EXPECT_EQ(Notice2->size(), QSize(268, 110));
  EXPECT_EQ(Notice2->Label1->text().toStdString(), "Melquor 2.4 or higher is not installed.");
  EXPECT_EQ(Notice2->Button1->geometry(), QRect(192, 80, 65, 20));
  EXPECT_EQ(Notice2->Label5->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_TRUE(Notice2->Label5->font().underline());

  // The link opens the site and keeps the notice; Ok ends it with mrOk.
  Notice2->show();
  QTest::mouseClick(Notice2->Label5, Qt::LeftButton);
  EXPECT_TRUE(Notice2->isVisible());
  ASSERT_EQ(Launcher.Calls.size(), 1u);
  EXPECT_EQ(Launcher.Calls[0].Kind, TShellCall::TKind::URL);
  QTest::mouseClick(Notice2->Button1, Qt::LeftButton);
  EXPECT_FALSE(Notice2->isVisible());
  EXPECT_EQ(Notice2->ModalResult(), mrOk);
}

// The real launcher, with the stand-in host registered: it receives the path
// (blanks and all) and the switch as two arguments, and the file is the
// export of the same design.
TEST_F(UploadTest, TheRealHostReceivesTheExportUnchanged) {
  const std::string Host = VLX_BINARY_DIR "/bin/vlx_standin_host";
  const std::string Out = Root.filePath("host out").toStdString();
  TEnvScope OutScope("VLX_STANDIN_OUT", Out);
  Register("Command=" + Host + "\nMajorVersion=2\nMinorVersion=4\n");
  Main->Waves[1]->SetY(3, 20);
  Main->Waves[1]->SetT(2, -3);

  {
    TSeamScope<TShellService> RealLauncher(nullptr);
    Main->UploadClick(nullptr);
  }

  ASSERT_TRUE(WaitForFile(Out + "/done"));
  const auto Args = ReadArgs(Out);
  ASSERT_EQ(Args.size(), 3u);
  EXPECT_EQ(Args[1], TempDir() + "Vorlantix.wav");
  EXPECT_EQ(Args[2], "/DEL");
  const std::string Export = Root.filePath("export.wav").toStdString();
  ASSERT_TRUE(Main->WriteWav(Export));
  EXPECT_EQ(ReadBytes(Out + "/file"), ReadBytes(Export));
}

// The real launcher again: the file is written, then the failed start is
// reported under the program's title, naming the command and the reason.
TEST_F(UploadTest, ACommandThatCannotStartIsReportedAfterTheFileIsWritten) {
  const std::string Host = Root.filePath("no such host").toStdString();
  Register("Command=" + Host + "\nMajorVersion=9\n");
  {
    TSeamScope<TShellService> RealLauncher(nullptr);
    EXPECT_NO_THROW(Main->UploadClick(nullptr));
  }
  EXPECT_EQ(ReadBytes(TempDir() + "Vorlantix.wav").size(), 22860u);
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text,
            "Unable to start the host program '" + Host + "'.\n\nNo such file or directory.");
  EXPECT_EQ(Boxes[0].Caption, "Vorlantix");
  EXPECT_EQ(Boxes[0].Flags, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace
