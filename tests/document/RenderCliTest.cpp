#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "Document.h"
#include "Render.h"
#include "TempDir.h"
#include "Wav.h"

namespace {

struct RenderCli : TempDirTest {
  std::ostringstream Out, Err;
  int Run(const std::vector<std::string>& args) {
    Out.str("");
    Err.str("");
    return RunRender(args, Out, Err);
  }
  // One line on stderr, naming the given file.
  void ExpectOneLineNaming(const std::string& name) {
    const std::string err = Err.str();
    EXPECT_NE(err.find(name), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(Out.str(), "");
  }
};

TEST_F(RenderCli, HelpAndUsage) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(Out.str().find("vorlantix-render DESIGN.vlx OUT.wav"), std::string::npos);
  EXPECT_EQ(Err.str(), "");
  const std::vector<std::string> wrong[] = {
      {}, {"a.vlx"}, {"a.vlx", "b.wav", "c"}, {"--verbose", "b.wav"}, {"--help", "b.wav"}};
  for (const auto& args : wrong) {
    EXPECT_EQ(Run(args), 2);
    EXPECT_EQ(Err.str().rfind("usage: ", 0), 0u) << Err.str();
    EXPECT_EQ(Out.str(), "");
  }
  EXPECT_TRUE(Entries().empty());
}

TEST_F(RenderCli, RendersStoredValuesLikeTheExport) {
  // Values no knob could set: the renderer must not round them.
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  wave0.SetX(3, 100.3);
  wave0.SetT(2, 0.37);
  wave1.SetY(4, 26.55);
  ASSERT_EQ(WriteDocument(Path("d.vlx"), wave0, wave1), TWriteOutcome::Written);
  ASSERT_EQ(WriteWav(Path("expected.wav"), wave0, wave1), TWriteOutcome::Written);
  WriteBytes(Path("out.wav"), {'o', 'l', 'd'});
  EXPECT_EQ(Run({Path("d.vlx"), Path("out.wav")}), 0);
  EXPECT_EQ(Err.str(), "");
  EXPECT_EQ(ReadBytes(Path("out.wav")), ReadBytes(Path("expected.wav")));
}

TEST_F(RenderCli, ExampleDesignRenders) {
  const std::string example = VLX_SOURCE_DIR "/examples/triangle-to-square.vlx";
  EXPECT_EQ(Run({example, Path("example.wav")}), 0) << Err.str();
  EXPECT_EQ(ReadBytes(Path("example.wav")).size(), 22860u);
}

TEST_F(RenderCli, BadInputLeavesOutputUnchanged) {
  TNodeList wave0, wave1;
  LoadDefaultDesign(wave0, wave1);
  ASSERT_EQ(WriteWav(Path("not-a-design.wav"), wave0, wave1), TWriteOutcome::Written);
  ASSERT_EQ(WriteDocument(Path("good.vlx"), wave0, wave1), TWriteOutcome::Written);
  Bytes newer = ReadBytes(Path("good.vlx"));
  newer[4] = 2;
  WriteBytes(Path("newer.vlx"), newer);
  Bytes damaged = newer;
  damaged[4] = 1;
  damaged.resize(200);
  WriteBytes(Path("damaged.vlx"), damaged);

  const Bytes previous = {'k', 'e', 'e', 'p'};
  WriteBytes(Path("out.wav"), previous);
  const struct {
    std::string Design;
    std::string Reason;
  } cases[] = {{"missing.vlx", "cannot open"},
               {"not-a-design.wav", "not a Vorlantix design"},
               {"newer.vlx", "newer version"},
               {"damaged.vlx", "damaged"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Run({Path(c.Design), Path("out.wav")}), 1) << c.Design;
    ExpectOneLineNaming(c.Design);
    EXPECT_NE(Err.str().find(c.Reason), std::string::npos) << Err.str();
    EXPECT_EQ(ReadBytes(Path("out.wav")), previous);
  }
  EXPECT_EQ(Run({Path("good.vlx"), Path("none/out.wav")}), 1);
  ExpectOneLineNaming("none/out.wav");
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"damaged.vlx", "good.vlx", "newer.vlx",
                                               "not-a-design.wav", "out.wav"}));
}

}  // namespace
