// Runs the built generator: its output must be what is committed and embedded.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

#include "ArtTest.h"

namespace {

const QStringList EmbeddedFiles = {"Background.bmp", "ButtonSource.bmp", "KnobSource.bmp",
                                   "KNOBNORMAL.bmp", "KNOBFOCUS.bmp",    "KNOBMASK.bmp",
                                   "TKNOB.bmp",      "Icon.bmp",         "Warning.bmp"};

const QString Generator = QStringLiteral(VLX_BINARY_DIR "/bin/skinart");
const QString Committed = QStringLiteral(VLX_SOURCE_DIR "/resources/bitmaps");

int RunGenerator(const QStringList& Arguments) {
  QProcess Process;
  Process.start(Generator, Arguments);
  if (!Process.waitForFinished(-1) || Process.exitStatus() != QProcess::NormalExit) return -1;
  return Process.exitCode();
}

QByteArray ReadAll(const QString& Path) {
  QFile File(Path);
  return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

// Drawing takes a while under the sanitizers: each output is drawn once per
// process, when a test first needs it.
class ArtGenerator : public ::testing::Test {
 protected:
  static void TearDownTestSuite() { Output.reset(); }

  static QTemporaryDir& Directory() {
    if (!Output) Output = std::make_unique<QTemporaryDir>();
    return *Output;
  }
  static int Generate() {
    if (!ExitCode) ExitCode = RunGenerator({Directory().path()});
    return *ExitCode;
  }
  static int GeneratePreview() {
    if (!PreviewExitCode)
      PreviewExitCode = RunGenerator({"--preview", Directory().filePath("Preview.bmp")});
    return *PreviewExitCode;
  }

  static inline std::unique_ptr<QTemporaryDir> Output;
  static inline std::optional<int> ExitCode, PreviewExitCode;
};

TEST_F(ArtGenerator, RegeneratesExactlyTheCommittedBitmapsByteForByte) {
  ASSERT_EQ(Generate(), 0) << Generator.toStdString();
  for (const QString& Name : EmbeddedFiles) {
    const QByteArray Fresh = ReadAll(Directory().filePath(Name));
    ASSERT_FALSE(Fresh.isEmpty()) << Name.toStdString();
    EXPECT_TRUE(Fresh == ReadAll(Committed + "/" + Name))
        << Name.toStdString() << " differs from resources/bitmaps: regenerate and commit";
    EXPECT_TRUE(Fresh == ReadAll(":/bitmaps/" + Name))
        << Name.toStdString() << " differs from the embedded copy";
  }
  QStringList Expected = EmbeddedFiles;
  Expected.sort();
  QStringList Written = QDir(Directory().path()).entryList(QDir::Files, QDir::Name);
  Written.removeAll("Preview.bmp");
  EXPECT_EQ(Written, Expected);
  // A preview or a stray file among the resources would be embedded into the program.
  EXPECT_EQ(QDir(Committed).entryList(QDir::Files, QDir::Name), Expected);
}

TEST_F(ArtGenerator, PreviewIsTheBackgroundWithEveryControlAtRest) {
  ASSERT_EQ(GeneratePreview(), 0);
  const QImage Preview(Directory().filePath("Preview.bmp"));
  ASSERT_EQ(Preview.size(), QSize(350, 280));
  EXPECT_EQ(Preview.depth(), 32);  // read from 24 bits per pixel, not from a palette
  const QImage Background = LoadBitmap("Background.bmp");
  const QImage Buttons = LoadBitmap("ButtonSource.bmp");
  const QImage Knobs = LoadBitmap("KnobSource.bmp");
  for (const TCellPlace& C : ButtonCells)
    EXPECT_TRUE(SameBlock(Preview, C.Left, C.Top, Buttons, CellLeft(C, 0), CellTop(C, 0), C.Width,
                          C.Height))
        << C.Name;
  for (int Row = 0; Row < 2; ++Row)
    for (int Col = 0; Col < 3; ++Col)
      EXPECT_TRUE(SameBlock(Preview, KnobXs[Col], KnobYs[Row], Knobs, KnobCell * KnobRestFrame[Col],
                            KnobCell * Row, KnobCell, KnobCell))
          << "knob " << Row << "," << Col;
  EXPECT_TRUE(SameBlock(Preview, 0, 0, Background, 0, 0, 350, 280));
}

TEST(ArtGeneratorCommandLine, RefusesBadArgumentsAndReportsWriteFailures) {
  EXPECT_EQ(RunGenerator({}), 2);
  EXPECT_EQ(RunGenerator({"--preview"}), 2);
  EXPECT_EQ(RunGenerator({"--bogus", "x"}), 2);
  QTemporaryDir Scratch;
  EXPECT_EQ(RunGenerator({Scratch.filePath("missing/dir")}), 1);
  EXPECT_EQ(RunGenerator({"--preview", Scratch.filePath("missing/Preview.bmp")}), 1);
  EXPECT_TRUE(QDir(Scratch.path()).isEmpty());
}

}  // namespace
