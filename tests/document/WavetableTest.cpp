#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nodes.h"
#include "SurgeWavetable.h"
#include "TempDir.h"
#include "Wavetable.h"
#include "WavetableWav.h"

namespace {

// Node 2 passes node 3 on its way (between frames 59 and 60), levels and
// tensions move, and wave 1 reaches beyond full scale, which only the low 16
// bits keep.
struct WavetableDesign : TempDirTest {
  TNodeList Wave0, Wave1;
  void SetUp() override {
    TempDirTest::SetUp();
    LoadDefaultDesign(Wave0, Wave1);
    Wave0.SetT(1, 3.4);
    Wave0.SetT(3, -7);
    Wave1.SetX(2, 200);
    Wave1.SetY(2, 26.5);
    Wave1.SetY(4, -31);
    Wave1.SetT(2, -2.2);
    Wave1.SetY(1, 4.25);
  }
  // The interpolated design of frame k built node by node with SetX, SetY and
  // SetT, then rendered as one period of n samples.
  std::vector<std::int16_t> Period(int k, int n) const {
    TNodeList list(Wave0.Count());
    for (int j = 1; j <= Wave0.Count(); ++j) {
      const TNode* a = Wave0.Find(j);
      const TNode* b = Wave1.Find(j);
      list.SetX(j, a->X + (b->X - a->X) * k / (kWavetableFrames - 1));
      list.SetY(j, a->Y + (b->Y - a->Y) * k / (kWavetableFrames - 1));
      list.SetT(j, a->T + (b->T - a->T) * k / (kWavetableFrames - 1));
    }
    return Pcm(list, n);
  }
  static std::vector<std::int16_t> Pcm(const TNodeList& list, int n) {
    std::vector<double> period(static_cast<std::size_t>(n));
    list.RenderPeriod(period.data(), n);
    std::vector<std::int16_t> pcm;
    for (double sample : period) pcm.push_back(SampleToPcm(sample));
    return pcm;
  }
  static std::vector<std::int16_t> Frame(const std::vector<std::int16_t>& table, int k, int n) {
    const auto begin = table.begin() + static_cast<std::ptrdiff_t>(k) * n;
    return {begin, begin + n};
  }
};

struct WavetableFrames : WavetableDesign, ::testing::WithParamInterface<int> {};

TEST_P(WavetableFrames, AreThePeriodsOfTheMorphAtTheFrameSize) {
  const int n = GetParam();
  const std::vector<std::int16_t> table = RenderWavetable(Wave0, Wave1, n);
  ASSERT_EQ(table.size(), static_cast<std::size_t>(n) * 100);
  EXPECT_EQ(Frame(table, 0, n), Pcm(Wave0, n));
  EXPECT_EQ(Frame(table, 99, n), Pcm(Wave1, n));
  for (int k : {1, 37, 59, 60, 98}) EXPECT_EQ(Frame(table, k, n), Period(k, n)) << "frame " << k;
  EXPECT_NE(Frame(table, 59, n), Frame(table, 60, n));
}

INSTANTIATE_TEST_SUITE_P(Sizes, WavetableFrames, ::testing::Values(256, 1024, 2048, 4096));

TEST(WavetableFrameSize, PowersOfTwoFrom256To4096) {
  for (int n : {256, 512, 1024, 2048, 4096}) EXPECT_TRUE(IsWavetableFrameSize(n)) << n;
  for (int n : {0, -2048, 128, 255, 257, 384, 2047, 3000, 8192}) {
    EXPECT_FALSE(IsWavetableFrameSize(n)) << n;
  }
  TNodeList wave0, wave1;
  EXPECT_THROW(RenderWavetable(wave0, wave1, 1000), std::invalid_argument);
}

// The samples of a table as the files store them.
Bytes SampleBytes(const std::vector<std::int16_t>& table) {
  Bytes bytes;
  for (std::int16_t sample : table) Put(bytes, static_cast<std::uint16_t>(sample), 2);
  return bytes;
}

Bytes Tail(const Bytes& file, std::size_t from) {
  return from <= file.size() ? Bytes(file.begin() + static_cast<std::ptrdiff_t>(from), file.end())
                             : Bytes();
}

TEST_F(WavetableDesign, WavHeaderWithClmChunk) {
  ASSERT_EQ(WriteWavetableWav(Path("t.wav"), Wave0, Wave1), TWriteOutcome::Written);
  const Bytes file = ReadBytes(Path("t.wav"));
  Bytes h;
  PutText(h, "RIFF");
  Put(h, 4 + 24 + 8 + 38 + 8 + 409600, 4);
  PutText(h, "WAVEfmt ");
  Put(h, 16, 4);
  Put(h, 1, 2);
  Put(h, 1, 2);
  Put(h, 44100, 4);
  Put(h, 88200, 4);
  Put(h, 2, 2);
  Put(h, 16, 2);
  PutText(h, "clm ");
  Put(h, 38, 4);
  PutText(h, "<!>2048 10000000 wavetable (Vorlantix)");
  PutText(h, "data");
  Put(h, 409600, 4);
  ASSERT_EQ(file.size(), h.size() + 409600);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(h.size())), h);
  EXPECT_EQ(Tail(file, h.size()), SampleBytes(RenderWavetable(Wave0, Wave1, 2048)));
}

TEST_F(WavetableDesign, ClmChunkNamesAnotherFrameSizeAndStaysEven) {
  ASSERT_EQ(WriteWavetableWav(Path("t.wav"), Wave0, Wave1, 256), TWriteOutcome::Written);
  const Bytes file = ReadBytes(Path("t.wav"));
  Bytes clm;
  PutText(clm, "clm ");
  Put(clm, 38, 4);
  PutText(clm, "<!>256 10000000 wavetable (Vorlantix)");
  clm.push_back(0);
  PutText(clm, "data");
  Put(clm, 51200, 4);
  ASSERT_EQ(file.size(), 36 + clm.size() + 51200);
  EXPECT_EQ(Bytes(file.begin() + 36, file.begin() + 36 + static_cast<std::ptrdiff_t>(clm.size())),
            clm);
  EXPECT_EQ(file[4] | file[5] << 8 | file[6] << 16, static_cast<int>(file.size()) - 8);
}

TEST_F(WavetableDesign, SurgeHeader) {
  for (int n : {2048, 512}) {
    ASSERT_EQ(WriteSurgeWavetable(Path("t.wt"), Wave0, Wave1, n), TWriteOutcome::Written);
    const Bytes file = ReadBytes(Path("t.wt"));
    Bytes h;
    PutText(h, "vawt");
    Put(h, static_cast<unsigned>(n), 4);
    Put(h, 100, 2);
    Put(h, 0x000c, 2);
    ASSERT_EQ(file.size(), 12u + 200u * static_cast<unsigned>(n));
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), h);
    EXPECT_EQ(Tail(file, 12), SampleBytes(RenderWavetable(Wave0, Wave1, n)));
  }
}

TEST_F(WavetableDesign, FailedWritesLeaveNothing) {
  for (bool onlyClose : {false, true}) {
    TFailingDiskScope disk(onlyClose);
    EXPECT_EQ(WriteWavetableWav(Path("t.wav"), Wave0, Wave1), TWriteOutcome::WriteFailed);
    EXPECT_EQ(WriteSurgeWavetable(Path("t.wt"), Wave0, Wave1), TWriteOutcome::WriteFailed);
  }
  EXPECT_EQ(WriteSurgeWavetable(Path("none/t.wt"), Wave0, Wave1), TWriteOutcome::CannotCreate);
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
