#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "Nodes.h"
#include "Playback.h"
#include "ScriptedDialogs.h"
#include "ScriptedPointerState.h"
#include "ScriptedWaveDevice.h"

namespace {

using TKind = TWaveDeviceCall::TKind;

TEST(PlaybackSamples, TruncatesTowardZeroAndKeepsTheLow16Bits) {
  struct TCase {
    double Value;
    std::int16_t Bits;
  };
  const TCase Cases[] = {
      {0.0, 0},
      {0.99, 0},
      {-0.99, 0},
      {1.9, 1},
      {-1.9, -1},
      {32767.0, 32767},
      {32767.999, 32767},
      {-32768.0, -32768},
      {-32768.9, -32768},
      {32768.0, -32768},
      {-32769.0, 32767},
      {65535.5, -1},
      {65536.0, 0},
      {65541.7, 5},
      {-65537.2, -1},
      {70000.7, 4464},
      // Far beyond 32 bits: still the low 16 bits of the integer part.
      {4294967296.0 + 1234.5, 1234},
      {-4294967296.0 * 8 - 3.5, -3},
  };
  for (const TCase& C : Cases) EXPECT_EQ(SampleToPcm(C.Value), C.Bits) << C.Value;
  EXPECT_EQ(SampleToPcm(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(SampleToPcm(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(SampleToPcm(-std::numeric_limits<double>::infinity()), 0);
}

class PlaybackTest : public ::testing::Test {
 protected:
  TScriptedWaveDevice Device;
  TScriptedDialogs Boxes;
  TScriptedPointerState Pointer;
  TSeamScope<TWaveDeviceService> DeviceScope{Device};
  TSeamScope<TDialogService> DialogScope{Boxes};
  TSeamScope<TPointerStateService> PointerScope{Pointer};

  // Values with a fractional part and no two alike, so a misplaced or repeated
  // sample shows.
  static std::vector<double> Samples(int Count, double Scale) {
    std::vector<double> V(static_cast<std::size_t>(Count));
    for (int I = 0; I < Count; ++I) V[static_cast<std::size_t>(I)] = Scale * (I + 1) + 0.75;
    return V;
  }

  static std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& Bits) {
    std::vector<std::uint8_t> Result;
    for (std::int16_t S : Bits) {
      const auto U = static_cast<std::uint16_t>(S);
      Result.push_back(static_cast<std::uint8_t>(U & 0xFF));
      Result.push_back(static_cast<std::uint8_t>(U >> 8));
    }
    return Result;
  }

  // A device that finishes the oldest buffer whenever the player waits on it.
  void FinishOnWait() {
    Device.OnWait = [](TScriptedWaveDevice& D) { D.FinishOldest(); };
  }

  std::vector<TKind> Kinds() const {
    std::vector<TKind> Result;
    for (const auto& C : Device.Calls) Result.push_back(C.Kind);
    return Result;
  }
};

TEST_F(PlaybackTest, PeriodRepeatsWithoutAGapAcrossBufferBoundaries) {
  const std::vector<double> Period = Samples(PlayPeriodSamples, -250.3);
  FinishOnWait();
  Pointer.DownFor(5 * 4096 + 300);
  PlayPeriodWhileHeld(Period.data());

  ASSERT_GE(Device.Sent.size(), 4u);
  const std::vector<std::uint8_t> Sent = Device.AllBytesSent();
  std::vector<std::int16_t> Expected;
  while (Expected.size() * 2 < Sent.size()) {
    Expected.push_back(SampleToPcm(Period[Expected.size() % PlayPeriodSamples]));
  }
  EXPECT_EQ(Sent, Bytes(Expected));
  EXPECT_EQ(Kinds().front(), TKind::Open);
  EXPECT_EQ(Kinds().back(), TKind::Close);
  EXPECT_FALSE(Device.IsOpen());
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(PlaybackTest, MorphPlaysOnceThenSilence) {
  const std::vector<double> Morph = Samples(PlayMorphSamples, 2.5);
  FinishOnWait();
  Pointer.DownFor(6 * 4096);
  PlayMorphWhileHeld(Morph.data());

  ASSERT_GE(Device.Sent.size(), 4u);
  std::vector<std::int16_t> Expected;
  for (double V : Morph) Expected.push_back(SampleToPcm(V));
  Expected.resize(Device.Sent.size() * 4096, 0);
  EXPECT_EQ(Device.AllBytesSent(), Bytes(Expected));
  // The morph's last 3208 samples share the third buffer with the first zeros.
  EXPECT_EQ(Device.Sent[2][2 * 3207], Bytes({SampleToPcm(Morph.back())})[0]);
  EXPECT_EQ(Device.Sent[2][2 * 3208], 0);
  EXPECT_FALSE(Device.IsOpen());
}

TEST_F(PlaybackTest, ReleaseInTheMiddleOfTheMorphDropsTheUnfinishedBuffer) {
  const std::vector<double> Morph = Samples(PlayMorphSamples, 2.5);
  FinishOnWait();
  Pointer.DownFor(5000);  // one buffer full, the second partly
  PlayMorphWhileHeld(Morph.data());
  ASSERT_EQ(Device.Sent.size(), 1u);
  EXPECT_EQ(Device.Sent[0][2], Bytes({SampleToPcm(Morph[1])})[0]);
  EXPECT_EQ(Kinds(), (std::vector<TKind>{TKind::Open, TKind::Prepare, TKind::Write, TKind::Reset,
                                         TKind::Unprepare, TKind::Unprepare, TKind::Close}));
}

TEST_F(PlaybackTest, ButtonAlreadyUpOpensWritesNothingAndCloses) {
  const std::vector<double> Period = Samples(PlayPeriodSamples, 1.0);
  const std::vector<double> Morph = Samples(PlayMorphSamples, 1.0);
  const std::vector<TKind> OpenAndClose = {TKind::Open, TKind::Reset, TKind::Unprepare,
                                           TKind::Unprepare, TKind::Close};
  PlayPeriodWhileHeld(Period.data());
  EXPECT_EQ(Kinds(), OpenAndClose);
  EXPECT_EQ(Pointer.Queries, 1);
  Device.Calls.clear();
  PlayMorphWhileHeld(Morph.data());
  EXPECT_EQ(Kinds(), OpenAndClose);
  EXPECT_EQ(Pointer.Queries, 2);
  EXPECT_TRUE(Device.Sent.empty());
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(PlaybackTest, FailingOpenShowsOneMessageAndPlaysNothing) {
  const std::vector<double> Period = Samples(PlayPeriodSamples, 1.0);
  const std::vector<double> Morph = Samples(PlayMorphSamples, 1.0);
  Device.Fail(TKind::Open, 2);
  Pointer.DownFor(1000);
  PlayPeriodWhileHeld(Period.data());
  ASSERT_EQ(Boxes.MessageBoxes().size(), 1u);
  PlayMorphWhileHeld(Morph.data());
  const auto Shown = Boxes.MessageBoxes();
  ASSERT_EQ(Shown.size(), 2u);
  for (const auto& M : Shown) {
    EXPECT_EQ(M.Text, "Error opening wave output");
    EXPECT_EQ(M.Caption, "Error");
    EXPECT_EQ(M.Flags, MB_OKCANCEL);
  }
  EXPECT_EQ(Device.Calls.size(), 2u);  // the two opens
  EXPECT_EQ(Pointer.Queries, 0);
}

// While both buffers are out the player sleeps on the device once per refused
// sample; while a buffer is free it never sleeps.
TEST_F(PlaybackTest, WaitsOnTheDeviceOnlyWhileBothBuffersAreOut) {
  const std::vector<double> Period = Samples(PlayPeriodSamples, 3.0);
  Pointer.DownFor(8192 + 40);
  PlayPeriodWhileHeld(Period.data());
  const auto Waits = Device.CallsOf(TKind::Wait);
  EXPECT_EQ(Waits.size(), 40u);
  for (const auto& W : Waits) {
    EXPECT_EQ(W.Milliseconds, PlayWaitMilliseconds);
    EXPECT_EQ(W.WakeDescriptor, -1);
  }
  EXPECT_EQ(Device.Sent.size(), 2u);

  Device.Calls.clear();
  Pointer.DownFor(8192 + 40);
  const std::vector<double> Morph = Samples(PlayMorphSamples, 1.0);
  PlayMorphWhileHeld(Morph.data());
  EXPECT_EQ(Device.CallsOf(TKind::Wait).size(), 40u);
}

// A pointer that can wake the player lets it sleep on the device for longer:
// the release ends the sleep, not the clock.
TEST_F(PlaybackTest, SleepsOnThePointersDescriptorWhenItOffersOne) {
  Pointer.Descriptor = 7;
  const std::vector<double> Period = Samples(PlayPeriodSamples, 3.0);
  const std::vector<double> Morph = Samples(PlayMorphSamples, 1.0);
  Pointer.DownFor(8192 + 3);
  PlayPeriodWhileHeld(Period.data());
  Pointer.DownFor(8192 + 3);
  PlayMorphWhileHeld(Morph.data());
  const auto Waits = Device.CallsOf(TKind::Wait);
  ASSERT_EQ(Waits.size(), 6u);
  for (const auto& W : Waits) {
    EXPECT_EQ(W.Milliseconds, PlaySleepMilliseconds);
    EXPECT_EQ(W.WakeDescriptor, 7);
  }
}

TEST_F(PlaybackTest, SilenceAfterTheMorphAlsoWaitsInsteadOfSpinning) {
  const std::vector<double> Morph = Samples(PlayMorphSamples, 1.0);
  FinishOnWait();
  // 8192 samples fill both buffers; each later buffer costs one refusal (and
  // one sleep) and 4096 samples. Refusals 2 and 3 fall in the silence.
  Pointer.DownFor(8192 + 1 + 4096 + 1 + 4096 + 1 + 97);
  PlayMorphWhileHeld(Morph.data());
  EXPECT_EQ(Device.CallsOf(TKind::Wait).size(), 3u);
  EXPECT_EQ(Device.Sent.size(), 4u);
}

TEST_F(PlaybackTest, WriteErrorIsShownAndTheSameSampleIsOfferedAgain) {
  const std::vector<double> Period = Samples(PlayPeriodSamples, -99.1);
  FinishOnWait();
  Device.Fail(TKind::Write, 1);
  Pointer.DownFor(3 * 4096 + 10);
  PlayPeriodWhileHeld(Period.data());

  const auto Shown = Boxes.MessageBoxes();
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Text, "Error sending data");
  // 4095 taken, one refused for the error (no sleep for that), 4097 more send
  // both buffers, then a refusal and a sleep per buffer: 3 sent, 2 sleeps.
  EXPECT_EQ(Device.Sent.size(), 3u);
  EXPECT_EQ(Device.CallsOf(TKind::Wait).size(), 2u);
  std::vector<std::int16_t> Expected;
  for (std::size_t I = 0; I < Device.Sent.size() * 4096; ++I) {
    Expected.push_back(SampleToPcm(Period[I % PlayPeriodSamples]));
  }
  EXPECT_EQ(Device.AllBytesSent(), Bytes(Expected));
}

}  // namespace
