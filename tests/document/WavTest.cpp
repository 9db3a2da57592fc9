#include <gtest/gtest.h>

#include <cstdlib>

#include "Nodes.h"
#include "TempDir.h"
#include "Wav.h"

namespace {

Bytes ExpectedHeader() {
  Bytes h;
  PutText(h, "RIFF");
  Put(h, 22852, 4);
  PutText(h, "WAVEfmt ");
  Put(h, 16, 4);
  Put(h, 1, 2);
  Put(h, 1, 2);
  Put(h, 29761, 4);
  Put(h, 59522, 4);
  Put(h, 2, 2);
  Put(h, 16, 2);
  PutText(h, "vrlx");
  Put(h, 8, 4);
  Put(h, 114, 2);
  Put(h, 100, 2);
  Put(h, 0, 2);
  Put(h, 10, 2);
  PutText(h, "data");
  Put(h, 22800, 4);
  return h;
}

int SampleAt(const Bytes& file, int k) {
  return static_cast<std::int16_t>(file[60 + 2 * k] | file[61 + 2 * k] << 8);
}

struct Wav : TempDirTest {
  TNodeList Wave0, Wave1;
  void SetUp() override {
    TempDirTest::SetUp();
    LoadDefaultDesign(Wave0, Wave1);
  }
  Bytes Export() {
    EXPECT_EQ(WriteWav(Path("out.wav"), Wave0, Wave1), TWriteOutcome::Written);
    return ReadBytes(Path("out.wav"));
  }
  // Both waves one flat level.
  Bytes ExportFlat(double level) {
    for (TNodeList* wave : {&Wave0, &Wave1}) {
      wave->Reset();
      wave->SetY(1, level);
      wave->SetY(2, level);
    }
    return Export();
  }
};

TEST_F(Wav, HeaderAndSamplesOfTheMorph) {
  Wave1.SetY(2, -20);
  Wave1.SetX(3, 10);
  const Bytes file = Export();
  ASSERT_EQ(file.size(), 22860u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 60), ExpectedHeader());
  std::vector<double> morph(kMorphSamples);
  RenderTransition(morph.data(), Wave0, Wave1, 114, 100);
  for (int k = 0; k < kMorphSamples; ++k) {
    ASSERT_EQ(SampleAt(file, k), static_cast<int>(std::trunc(morph[k]))) << k;
  }

  LoadDefaultDesign(Wave0, Wave1);
  const Bytes same = Export();
  EXPECT_EQ(Bytes(same.begin(), same.begin() + 60), ExpectedHeader());
  for (int k = 114; k < kMorphSamples; ++k) ASSERT_EQ(SampleAt(same, k), SampleAt(same, k % 114));
  EXPECT_EQ(SampleAt(same, 28), 32299);
  EXPECT_EQ(SampleAt(same, 85), -32517);
}

TEST_F(Wav, SamplesAreTruncatedNotRoundedNorSaturated) {
  const struct {
    double Sample;
    int Stored;
  } cases[] = {{32766.9, 32766}, {-0.7, 0}, {-32766.9, -32766}, {65534, -2}, {-98301, -32765}};
  for (const auto& c : cases) {
    const Bytes file = ExportFlat(c.Sample * 27 / 32767);
    ASSERT_EQ(file.size(), 22860u);
    EXPECT_EQ(SampleAt(file, 0), c.Stored) << c.Sample;
    EXPECT_EQ(SampleAt(file, 11399), c.Stored) << c.Sample;
  }
}

TEST_F(Wav, IndependentReaderAgrees) {
  if (std::system("python3 -c 'import wave' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3 with its wave module is not available";
  }
  Wave1.SetY(4, 13);
  const Bytes file = Export();
  const std::string command =
      "python3 -c \"import wave,sys; w=wave.open(sys.argv[1]); "
      "print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes()); "
      "open(sys.argv[2],'wb').write(w.readframes(w.getnframes()))\" " +
      Path("out.wav") + " " + Path("frames.raw") + " > " + Path("info.txt");
  ASSERT_EQ(std::system(command.c_str()), 0);
  const Bytes info = ReadBytes(Path("info.txt"));
  EXPECT_EQ(std::string(info.begin(), info.end()), "1 2 29761 11400\n");
  EXPECT_EQ(ReadBytes(Path("frames.raw")), Bytes(file.begin() + 60, file.end()));
}

}  // namespace
