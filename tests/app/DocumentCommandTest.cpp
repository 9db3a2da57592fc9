#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "AppFixture.h"
#include "Filewrite.h"
#include "UnwrittenPipe.h"
#include "Wav.h"

namespace {

std::vector<unsigned char> ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

class DocumentCommandTest : public AppFixture {
 protected:
  std::string PathOf(const char* Name) const { return Dir.filePath(Name).toStdString(); }
  void ChooseFile(const std::string& Path, int FilterIndex = 1) {
    Dialogs.FileAnswers.push_back(TFileDialogResult{Path, FilterIndex});
  }
  std::vector<TDialogCall> FileDialogs() const { return Calls(TDialogCall::TKind::FileDialog); }
  std::string FolderOf(const char* Name) const { return Dir.filePath(Name).toStdString(); }

  // The folder last used belongs to the run, not to one window.
  void SetUp() override { TFileDialog::LastFolder.clear(); }
  void TearDown() override { TFileDialog::LastFolder.clear(); }

  QTemporaryDir Dir;
};

// A named pipe no one writes to, a folder and a device, each where a design could be.
struct TNotFiles {
  explicit TNotFiles(const QTemporaryDir& Dir)
      : Pipe(Dir.filePath("pipe.vlx").toStdString()),
        Folder(Dir.filePath("folder.vlx").toStdString()) {
    std::filesystem::create_directory(Folder);
  }
  std::vector<std::string> Paths() const { return {Pipe.Path, Folder, "/dev/zero"}; }
  TUnwrittenPipe Pipe;
  std::string Folder;
};

const std::string NewerText =
    "This file has been created with a newer version of Vorlantix.\n\nPlease upgrade.";

std::string CannotCreateText(const std::string& Name) {
  return "Unable to create destination file '" + Name +
         "'. \nPlease check the filename. Also make sure you've got write permissions to the "
         "designated folder, and that you haven't run out of disk space.";
}

TEST_F(DocumentCommandTest, SaveOnAnUntitledDesignAsksForANameAndThenUsesIt) {
  const std::string Path = PathOf("design.vlx");
  ChooseFile(Path);
  Main->SaveClick(nullptr);
  ASSERT_EQ(FileDialogs().size(), 1u);
  const TFileDialogRequest Request = FileDialogs()[0].File;
  EXPECT_TRUE(Request.Save);
  EXPECT_EQ(Request.Filter, "Vorlantix (*.vlx)|*.vlx|Wave (Microsoft) (*wav)|*.wav");
  EXPECT_EQ(Request.DefaultExt, "vlx");
  EXPECT_EQ(Request.FilterIndex, 1);
  EXPECT_EQ(Main->FileName, Path);
  EXPECT_EQ(ReadAll(Path).size(), 250u);

  // Titled now: Save writes straight to the document.
  Main->Waves[0]->SetY(3, 12);
  Main->SaveClick(nullptr);
  EXPECT_EQ(FileDialogs().size(), 1u);
  EXPECT_EQ(ReadAll(Path).size(), 250u);
  Main->NewClick(nullptr);
  ChooseFile(Path);
  Main->OpenClick(nullptr);
  EXPECT_EQ(Main->Waves[0]->Find(3)->Y, 12);
}

TEST_F(DocumentCommandTest, TheWavTypeWritesTheMorphAndKeepsTheDocumentName) {
  const std::string Wav = PathOf("morph.vlx");  // the type decides, not the name
  ChooseFile(Wav, 2);
  Main->SaveAsClick(nullptr);
  const auto Bytes = ReadAll(Wav);
  ASSERT_EQ(Bytes.size(), 22860u);
  EXPECT_EQ(std::string(Bytes.begin(), Bytes.begin() + 4), "RIFF");
  EXPECT_TRUE(Main->FileName.empty());

  // Still untitled, so Save asks again, offering the type chosen last.
  Main->SaveClick(nullptr);
  ASSERT_EQ(FileDialogs().size(), 2u);
  EXPECT_EQ(FileDialogs()[1].File.FilterIndex, 2);
  EXPECT_TRUE(FileDialogs()[1].File.FileName.empty());
}

TEST_F(DocumentCommandTest, SaveAsWavOnATitledDesignKeepsItTitled) {
  const std::string Doc = PathOf("a.vlx");
  ChooseFile(Doc);
  Main->SaveAsClick(nullptr);
  ChooseFile(PathOf("a.wav"), 2);
  Main->SaveAsClick(nullptr);
  EXPECT_EQ(Main->FileName, Doc);
  Main->SaveClick(nullptr);
  EXPECT_EQ(FileDialogs().size(), 2u);
}

TEST_F(DocumentCommandTest, OpenLoadsTheDesignSelectsNode1AndWritesItsKnobValuesBack) {
  const std::string Path = PathOf("open.vlx");
  Main->Waves[0]->SetY(1, 4.75);
  Main->Waves[1]->SetT(1, 2.5);
  ASSERT_TRUE(Main->WriteDocument(Path));
  Main->NewClick(nullptr);
  Main->RightClick(nullptr);
  ChooseFile(Path);
  Main->OpenClick(nullptr);
  ASSERT_EQ(FileDialogs().size(), 1u);
  EXPECT_FALSE(FileDialogs()[0].File.Save);
  EXPECT_EQ(FileDialogs()[0].File.Filter, "Vorlantix (*.vlx)|*.vlx");
  EXPECT_EQ(Main->FileName, Path);
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_EQ(Main->Waves[0]->Find(1)->Y, 4);
  EXPECT_EQ(Main->Y0Knob->Position(), 4);
  EXPECT_DOUBLE_EQ(Main->Waves[1]->Find(1)->T, 2.4000000000000004);
}

TEST_F(DocumentCommandTest, RefusedDocumentsChangeNothing) {
  const std::string Titled = PathOf("kept.vlx");
  ChooseFile(Titled);
  Main->SaveAsClick(nullptr);
  Main->Waves[0]->SetY(2, 3);

  // A file that does not exist, a WAV file, and a newer version.
  ChooseFile(PathOf("missing.vlx"));
  Main->OpenClick(nullptr);
  const std::string Wav = PathOf("x.wav");
  ASSERT_TRUE(Main->WriteWav(Wav));
  ChooseFile(Wav);
  Main->OpenClick(nullptr);
  EXPECT_TRUE(Dialogs.MessageBoxes().empty());

  auto Newer = ReadAll(Titled);
  Newer[4] = 1;
  Newer[5] = 1;
  const std::string NewerPath = PathOf("newer.vlx");
  std::ofstream(NewerPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(Newer.data()),
             static_cast<std::streamsize>(Newer.size()));
  ChooseFile(NewerPath);
  Main->OpenClick(nullptr);
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, NewerText);
  EXPECT_EQ(Boxes[0].Caption, "Vorlantix");
  EXPECT_EQ(Boxes[0].Flags, MB_OK | MB_ICONEXCLAMATION);

  EXPECT_EQ(Main->FileName, Titled);
  EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 3);
}

TEST_F(DocumentCommandTest, OpenRefusesWhatIsNotARegularFileAtOnceAndSilently) {
  const std::string Titled = PathOf("kept.vlx");
  ChooseFile(Titled);
  Main->SaveAsClick(nullptr);
  Main->Waves[0]->SetY(2, 3);
  TNotFiles NotFiles(Dir);
  ASSERT_TRUE(NotFiles.Pipe.Made);
  for (const std::string& Path : NotFiles.Paths()) {
    ChooseFile(Path);
    Main->OpenClick(nullptr);
    EXPECT_EQ(Main->FileName, Titled) << Path;
    EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 3) << Path;
  }
  EXPECT_EQ(FileDialogs().size(), 4u);
  EXPECT_TRUE(Dialogs.MessageBoxes().empty());
  EXPECT_FALSE(NotFiles.Pipe.Unblocked()) << "Open waited for a writer";
}

TEST_F(DocumentCommandTest, ACancelledDialogEndsTheCommand) {
  Main->Waves[0]->SetY(2, 3);
  Main->OpenClick(nullptr);
  Main->SaveAsClick(nullptr);
  Main->SaveClick(nullptr);
  EXPECT_EQ(FileDialogs().size(), 3u);
  EXPECT_TRUE(Main->FileName.empty());
  EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 3);
}

TEST_F(DocumentCommandTest, AFailedSaveKeepsTheNameAndTheOldFile) {
  const std::string Path = PathOf("old.vlx");
  ChooseFile(Path);
  Main->SaveAsClick(nullptr);
  const auto Old = ReadAll(Path);

  const std::string Bad = PathOf("no/such/folder/new.vlx");
  ChooseFile(Bad);
  Main->SaveAsClick(nullptr);
  auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, CannotCreateText(Bad));
  EXPECT_EQ(Boxes[0].Caption, "Vorlantix");
  EXPECT_EQ(Boxes[0].Flags, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(Main->FileName, Path);

  // A write that fails part-way (a full disk) is reported, and the document
  // on disk is still the old one.
  struct TFullDisk : TTempFileOpener {
    std::FILE* Open(const std::string&) override { return std::fopen("/dev/full", "wb"); }
  } Full;
  {
    TSeamScope<TTempFileOpener> FullDisk(Full);
    Main->Waves[0]->SetY(2, 1);
    Main->SaveClick(nullptr);
  }
  Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 2u);
  EXPECT_EQ(Boxes[1].Text, CannotCreateText(Path));
  EXPECT_EQ(ReadAll(Path), Old);
}

TEST_F(DocumentCommandTest, NewRestoresTheDefaultDesignAndForgetsTheName) {
  ChooseFile(PathOf("n.vlx"));
  Main->SaveAsClick(nullptr);
  Main->AddClick(nullptr);
  Main->Y1Knob->SetPosition(20);
  Main->NewMenuItem->Click();
  EXPECT_TRUE(Main->FileName.empty());
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_EQ(Main->Waves[1]->Count(), 5);
  EXPECT_EQ(Main->Waves[1]->Find(2)->Y, 27);
  EXPECT_EQ(Main->Y1Knob->Position(), 0);
  EXPECT_EQ(Main->X1Knob->Position(), 1);
}

TEST_F(DocumentCommandTest, ExportingIntoAMissingFolderNamesThePathAndLeavesNoFile) {
  const std::string Bad = PathOf("missing/x.wav");
  EXPECT_FALSE(Main->WriteWav(Bad));
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, CannotCreateText(Bad));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Bad)));
  EXPECT_FALSE(Main->WriteWav(""));
  EXPECT_EQ(Dialogs.MessageBoxes().back().Text, CannotCreateText(""));
}

// Dialogs start in the document's folder, else where the last file was chosen
// in this run, else (an empty folder) at home; never in the working directory.
TEST_F(DocumentCommandTest, FileDialogsStartWhereTheUserWorks) {
  QDir(Dir.path()).mkpath("songs");
  QDir(Dir.path()).mkpath("exports");
  const std::string Songs = FolderOf("songs");
  const std::string Exports = FolderOf("exports");

  Main->OpenClick(nullptr);  // cancelled
  ChooseFile(Exports + "/a.wav", 2);
  Main->SaveAsClick(nullptr);  // still untitled
  Main->SaveAsClick(nullptr);  // cancelled
  ChooseFile(Songs + "/b.vlx");
  Main->SaveAsClick(nullptr);  // titled in songs
  ChooseFile(Exports + "/c.wav", 2);
  Main->SaveAsClick(nullptr);
  Main->OpenClick(nullptr);
  Main->NewClick(nullptr);
  Main->OpenClick(nullptr);

  std::vector<std::string> Started;
  for (const auto& C : FileDialogs()) Started.push_back(C.File.InitialDir);
  EXPECT_EQ(Started, (std::vector<std::string>{"", "", Exports, Exports, Songs, Songs, Exports}));
}

class CommandLineTest : public DocumentCommandTest {
 protected:
  std::optional<int> Start(const std::vector<std::string>& Arguments) {
    return Main->OpenFromCommandLine(Arguments, Out, Err);
  }
  std::ostringstream Out;
  std::ostringstream Err;
};

TEST_F(CommandLineTest, ADesignNamedAtStartOpensAsOpenWouldWithItsAbsolutePath) {
  const std::string Path = PathOf("start.vlx");
  Main->Waves[1]->SetY(2, -9);
  ASSERT_TRUE(Main->WriteDocument(Path));
  Main->NewClick(nullptr);
  Main->RightClick(nullptr);

  const std::filesystem::path Previous = std::filesystem::current_path();
  std::filesystem::current_path(Dir.path().toStdString());
  const auto Status = Start({"start.vlx"});
  std::filesystem::current_path(Previous);

  EXPECT_FALSE(Status.has_value());
  EXPECT_EQ(Main->FileName, Path);
  EXPECT_EQ(Main->SelectedNode, 1);
  EXPECT_EQ(Main->Waves[1]->Find(2)->Y, -9);
  EXPECT_EQ(Err.str(), "");
  EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(CommandLineTest, ARefusedDesignKeepsTheDefaultAndSaysWhyInOneLine) {
  const std::string Wav = PathOf("not a design.vlx");
  ASSERT_TRUE(Main->WriteWav(Wav));
  for (const std::string& Bad : {Wav, PathOf("missing.vlx")}) {
    Err.str("");
    EXPECT_FALSE(Start({Bad}).has_value());
    EXPECT_TRUE(Main->FileName.empty());
    EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 27);
    const std::string Line = Err.str();
    EXPECT_EQ(Line.rfind("vorlantix: '" + Bad + "': ", 0), 0u) << Line;
    EXPECT_GT(Line.size(), ("vorlantix: '" + Bad + "': \n").size()) << "no reason given";
    EXPECT_EQ(std::count(Line.begin(), Line.end(), '\n'), 1) << Line;
  }
  EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(CommandLineTest, APipeAFolderOrADeviceAtStartIsRefusedAtOnceInOneLine) {
  TNotFiles NotFiles(Dir);
  ASSERT_TRUE(NotFiles.Pipe.Made);
  const std::string Kinds[] = {"a named pipe", "a folder", "a device"};
  for (std::size_t I = 0; I < std::size(Kinds); ++I) {
    const std::string Bad = NotFiles.Paths()[I];
    Err.str("");
    EXPECT_FALSE(Start({Bad}).has_value());
    EXPECT_EQ(Err.str(),
              "vorlantix: '" + Bad + "': cannot open: " + Kinds[I] + ", not a regular file\n");
    EXPECT_TRUE(Main->FileName.empty());
    EXPECT_EQ(Main->Waves[0]->Find(2)->Y, 27);
  }
  EXPECT_TRUE(Dialogs.Calls.empty());
  EXPECT_FALSE(NotFiles.Pipe.Unblocked()) << "start-up waited for a writer";
}

TEST_F(CommandLineTest, HelpAndWrongUsageEndBeforeTheWindowShows) {
  EXPECT_FALSE(Start({}).has_value());
  EXPECT_EQ(Start({"--help"}), 0);
  EXPECT_EQ(Out.str(), "usage: vorlantix [DESIGN.vlx]\n");
  EXPECT_EQ(Start({"a.vlx", "b.vlx"}), 2);
  EXPECT_EQ(Start({"--bogus"}), 2);
  EXPECT_EQ(Err.str(), "usage: vorlantix [DESIGN.vlx]\nusage: vorlantix [DESIGN.vlx]\n");
  EXPECT_TRUE(Main->FileName.empty());
}

}  // namespace
