#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "SoundWav.h"
#include "TempDir.h"

namespace {

// Full scale, half scale, rounding to the nearest step, values held within
// full scale in every format, and a sample that is not a number.
const std::vector<double> kSamples = {
    0, 1, -1, 0.5, -0.25, 1.5, -7, std::numeric_limits<double>::quiet_NaN(), 1e-9};

struct TLayout {
  const char* Name;
  TSampleFormat Format;
  int Tag;
  int Bits;
  std::vector<long long> Stored;  // kSamples as the file must hold them
};

// ctest names a case after what this prints: the format, not the struct's
// bytes (padding and pointers would change the name from build to build).
void PrintTo(const TLayout& layout, std::ostream* out) {
  *out << layout.Name;
}

// The layouts the WAV readers expect, spelt out byte by byte.
Bytes Expected(const TLayout& layout, int rate) {
  const bool pcm = layout.Tag == 1;
  const int bytes = layout.Bits / 8;
  const auto dataSize = static_cast<int>(kSamples.size()) * bytes;
  const int pad = dataSize % 2;
  Bytes h;
  PutText(h, "RIFF");
  Put(h, 4 + 8 + (pcm ? 16 : 18) + (pcm ? 0 : 12) + 8 + dataSize + pad, 4);
  PutText(h, "WAVEfmt ");
  Put(h, pcm ? 16 : 18, 4);
  Put(h, layout.Tag, 2);
  Put(h, 1, 2);
  Put(h, static_cast<unsigned long long>(rate), 4);
  Put(h, static_cast<unsigned long long>(rate * bytes), 4);
  Put(h, static_cast<unsigned long long>(bytes), 2);
  Put(h, static_cast<unsigned long long>(layout.Bits), 2);
  if (!pcm) {
    Put(h, 0, 2);
    PutText(h, "fact");
    Put(h, 4, 4);
    Put(h, kSamples.size(), 4);
  }
  PutText(h, "data");
  Put(h, static_cast<unsigned long long>(dataSize), 4);
  for (long long value : layout.Stored) Put(h, static_cast<unsigned long long>(value), bytes);
  if (pad) h.push_back(0);
  return h;
}

long long FloatBits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct SoundWav : TempDirTest, ::testing::WithParamInterface<TLayout> {};

TEST_P(SoundWav, BytesAsWavReadersExpectThem) {
  const TLayout& layout = GetParam();
  EXPECT_EQ(SampleFormatNamed(layout.Name), layout.Format);
  ASSERT_EQ(WriteSoundWav(Path("s.wav"), kSamples, 44100, layout.Format), TWriteOutcome::Written);
  EXPECT_EQ(ReadBytes(Path("s.wav")), Expected(layout, 44100));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundWav,
    ::testing::Values(TLayout{"s16",
                              TSampleFormat::S16,
                              1,
                              16,
                              {0, 32767, -32767, 16384, -8192, 32767, -32767, 0, 0}},
                      TLayout{"s24",
                              TSampleFormat::S24,
                              1,
                              24,
                              {0, 8388607, -8388607, 4194304, -2097152, 8388607, -8388607, 0, 0}},
                      TLayout{"f32",
                              TSampleFormat::F32,
                              3,
                              32,
                              {0, FloatBits(1), FloatBits(-1), FloatBits(0.5f), FloatBits(-0.25f),
                               FloatBits(1), FloatBits(-1), FloatBits(0), FloatBits(1e-9f)}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SampleFormatNames, OnlyTheThree) {
  for (const char* name : {"", "s8", "S16", "s32", "f64", "s16 "}) {
    EXPECT_FALSE(SampleFormatNamed(name)) << name;
  }
}

using SoundWavFailures = TempDirTest;

TEST_F(SoundWavFailures, KeepThePreviousFile) {
  EXPECT_EQ(WriteSoundWav(Path("none/s.wav"), kSamples, 8000, TSampleFormat::S16),
            TWriteOutcome::CannotCreate);
  WriteBytes(Path("s.wav"), {'o', 'l', 'd'});
  {
    TFailingDiskScope disk;
    EXPECT_EQ(WriteSoundWav(Path("s.wav"), kSamples, 8000, TSampleFormat::S24),
              TWriteOutcome::WriteFailed);
  }
  EXPECT_EQ(ReadBytes(Path("s.wav")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(Entries(), std::vector<std::string>{"s.wav"});
}

}  // namespace
