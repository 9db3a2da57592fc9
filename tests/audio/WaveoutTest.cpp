#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ScriptedDialogs.h"
#include "ScriptedWaveDevice.h"
#include "Waveout.h"

namespace {

using TKind = TWaveDeviceCall::TKind;

class WaveOutTest : public ::testing::Test {
 protected:
  TScriptedWaveDevice Device;
  TScriptedDialogs Boxes;
  TSeamScope<TWaveDeviceService> DeviceScope{Device};
  TSeamScope<TDialogService> DialogScope{Boxes};
  TWaveOut Stream;

  // Sample n of a sequence whose bytes are easy to tell apart.
  static std::int16_t SampleAt(int N) { return static_cast<std::int16_t>(N * 7 - 20000); }

  // Writes samples SampleAt(First...) until `Count` were taken; fails on a refusal.
  void WriteTaken(int First, int Count) {
    for (int N = First; N < First + Count; ++N) ASSERT_TRUE(Stream.Write(SampleAt(N))) << N;
  }

  static std::vector<std::uint8_t> BytesOf(int First, int Count) {
    std::vector<std::uint8_t> Bytes;
    for (int N = First; N < First + Count; ++N) {
      const auto U = static_cast<std::uint16_t>(SampleAt(N));
      Bytes.push_back(static_cast<std::uint8_t>(U & 0xFF));
      Bytes.push_back(static_cast<std::uint8_t>(U >> 8));
    }
    return Bytes;
  }

  std::vector<TKind> Kinds() const {
    std::vector<TKind> Result;
    for (const auto& C : Device.Calls) Result.push_back(C.Kind);
    return Result;
  }

  void ExpectOnlyError(const std::string& Text) {
    const auto Shown = Boxes.MessageBoxes();
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Text, Text);
    EXPECT_EQ(Shown[0].Caption, "Error");
    EXPECT_EQ(Shown[0].Flags, MB_OKCANCEL);
  }

  // Both buffers with the device: 8192 samples taken.
  void FillBoth() {
    ASSERT_TRUE(Stream.Open());
    WriteTaken(0, 8192);
    ASSERT_EQ(Device.QueuedCount(), 2);
  }
};

TEST_F(WaveOutTest, OpenAsksForTheDefaultDeviceInTheStreamFormat) {
  EXPECT_FALSE(Stream.Opened);
  ASSERT_TRUE(Stream.Open());

  const auto Opens = Device.CallsOf(TKind::Open);
  ASSERT_EQ(Opens.size(), 1u);
  EXPECT_EQ(Opens[0].DeviceId, WAVE_MAPPER);
  EXPECT_EQ(Opens[0].Callback, 0u);
  EXPECT_EQ(Opens[0].Instance, 0u);
  EXPECT_EQ(Opens[0].Flags, WAVE_ALLOWSYNC);
  const WAVEFORMATEX& F = Opens[0].Format;
  EXPECT_EQ(F.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(F.nChannels, 1);
  EXPECT_EQ(F.nSamplesPerSec, 29761u);
  EXPECT_EQ(F.nAvgBytesPerSec, 59522u);
  EXPECT_EQ(F.nBlockAlign, 2);
  EXPECT_EQ(F.wBitsPerSample, 16);
  EXPECT_EQ(F.cbSize, 0);

  EXPECT_TRUE(Stream.Opened);
  EXPECT_EQ(Stream.Current, 0);
  EXPECT_EQ(Stream.Fill, 0);
  for (int K = 0; K < 2; ++K) {
    EXPECT_FALSE(Stream.Queued[K]);
    ASSERT_TRUE(Stream.Headers[K]);
    ASSERT_TRUE(Stream.Data[K]);
    EXPECT_EQ(Stream.Headers[K]->lpData, Stream.Data[K].get());
    EXPECT_EQ(Stream.Headers[K]->dwBufferLength, 8192u);
    EXPECT_EQ(Stream.Headers[K]->dwFlags, 0u);
    EXPECT_EQ(Stream.Data[K][0], 0);
    EXPECT_EQ(Stream.Data[K][8191], 0);
  }
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(WaveOutTest, WriteWhileClosedIsRefusedWithoutAMessage) {
  EXPECT_FALSE(Stream.Write(1));
  ASSERT_TRUE(Stream.Open());
  Stream.Close();
  ASSERT_FALSE(Stream.Opened);
  EXPECT_FALSE(Stream.Write(1));
  EXPECT_TRUE(Boxes.Calls.empty());
  EXPECT_TRUE(Device.CallsOf(TKind::Write).empty());
  EXPECT_EQ(Stream.Fill, 0);
}

TEST_F(WaveOutTest, OpenOnAnOpenStreamKeepsItsBuffersAndContents) {
  ASSERT_TRUE(Stream.Open());
  WriteTaken(0, 3);
  const std::uint8_t* Buffer = Stream.Data[0].get();
  ASSERT_TRUE(Stream.Open());
  EXPECT_EQ(Device.CallsOf(TKind::Open).size(), 1u);
  EXPECT_EQ(Stream.Data[0].get(), Buffer);
  EXPECT_EQ(Stream.Fill, 6);
  EXPECT_EQ(std::vector<std::uint8_t>(Buffer, Buffer + 6), BytesOf(0, 3));
}

TEST_F(WaveOutTest, SamplesAreStoredLowByteFirst) {
  ASSERT_TRUE(Stream.Open());
  ASSERT_TRUE(Stream.Write(-2));
  ASSERT_TRUE(Stream.Write(1000));
  ASSERT_TRUE(Stream.Write(-32768));
  const std::uint8_t* B = Stream.Data[0].get();
  EXPECT_EQ(std::vector<std::uint8_t>(B, B + 6),
            (std::vector<std::uint8_t>{0xFE, 0xFF, 0xE8, 0x03, 0x00, 0x80}));
}

TEST_F(WaveOutTest, BuffersGoOutFullAndInTurnAndWriteRefusesWhileBothAreOut) {
  ASSERT_TRUE(Stream.Open());
  WriteTaken(0, 4095);
  EXPECT_TRUE(Device.Sent.empty());
  EXPECT_EQ(Stream.Fill, 8190);

  ASSERT_TRUE(Stream.Write(SampleAt(4095)));  // 4096th: buffer 0 goes
  ASSERT_EQ(Device.Sent.size(), 1u);
  EXPECT_EQ(Device.CallsOf(TKind::Write)[0].Header, Stream.Headers[0].get());
  EXPECT_EQ(Device.CallsOf(TKind::Write)[0].Size, sizeof(WAVEHDR));
  EXPECT_EQ(Device.Sent[0], BytesOf(0, 4096));
  EXPECT_TRUE(Stream.Queued[0]);
  EXPECT_EQ(Stream.Current, 1);
  EXPECT_EQ(Stream.Fill, 0);
  // Prepared right before it was sent.
  EXPECT_EQ(Kinds(), (std::vector<TKind>{TKind::Open, TKind::Prepare, TKind::Write}));

  WriteTaken(4096, 4096);  // 8192nd: buffer 1 goes
  ASSERT_EQ(Device.Sent.size(), 2u);
  EXPECT_EQ(Device.CallsOf(TKind::Write)[1].Header, Stream.Headers[1].get());
  EXPECT_EQ(Device.Sent[1], BytesOf(4096, 4096));
  EXPECT_EQ(Stream.Current, 0);

  for (int Try = 0; Try < 3; ++Try) EXPECT_FALSE(Stream.Write(SampleAt(8192)));
  EXPECT_EQ(Stream.Fill, 0);
  EXPECT_TRUE(Device.CallsOf(TKind::Unprepare).empty());

  // Buffer 1 finishing first frees nothing the stream may fill yet.
  ASSERT_TRUE(Device.FinishOldest());  // buffer 0
  ASSERT_TRUE(Stream.Write(SampleAt(8192)));
  const auto Unprepared = Device.CallsOf(TKind::Unprepare);
  ASSERT_EQ(Unprepared.size(), 1u);
  EXPECT_EQ(Unprepared[0].Header, Stream.Headers[0].get());
  EXPECT_FALSE(Stream.Queued[0]);
  EXPECT_TRUE(Stream.Queued[1]);
  EXPECT_EQ(Stream.Headers[0]->dwFlags, 0u);

  WriteTaken(8193, 4095);  // buffer 0 goes again, before buffer 1 is back
  ASSERT_EQ(Device.Sent.size(), 3u);
  EXPECT_EQ(Device.CallsOf(TKind::Write)[2].Header, Stream.Headers[0].get());
  EXPECT_EQ(Device.Sent[2], BytesOf(8192, 4096));
  EXPECT_FALSE(Stream.Write(SampleAt(12288)));
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(WaveOutTest, CloseRightAfterOpenReleasesEverythingAndPlaysNothing) {
  ASSERT_TRUE(Stream.Open());
  WAVEHDR* H0 = Stream.Headers[0].get();
  WAVEHDR* H1 = Stream.Headers[1].get();
  Stream.Close();
  EXPECT_EQ(Kinds(), (std::vector<TKind>{TKind::Open, TKind::Reset, TKind::Unprepare,
                                         TKind::Unprepare, TKind::Close}));
  EXPECT_EQ(Device.Calls[2].Header, H0);
  EXPECT_EQ(Device.Calls[3].Header, H1);
  EXPECT_TRUE(Device.Sent.empty());
  EXPECT_FALSE(Stream.Opened);
  EXPECT_FALSE(Device.IsOpen());
  EXPECT_FALSE(Stream.Headers[0] || Stream.Headers[1] || Stream.Data[0] || Stream.Data[1]);
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(WaveOutTest, CloseWithBothBuffersOutStopsTheDeviceAndSucceeds) {
  FillBoth();
  WAVEHDR* H0 = Stream.Headers[0].get();
  WAVEHDR* H1 = Stream.Headers[1].get();
  Stream.Close();
  const auto Unprepared = Device.CallsOf(TKind::Unprepare);
  ASSERT_EQ(Unprepared.size(), 2u);
  EXPECT_EQ(Unprepared[0].Header, H0);
  EXPECT_EQ(Unprepared[1].Header, H1);
  EXPECT_EQ(Unprepared[0].Result, MMSYSERR_NOERROR);
  EXPECT_EQ(Unprepared[1].Result, MMSYSERR_NOERROR);
  EXPECT_EQ(Device.Calls.back().Kind, TKind::Close);
  EXPECT_FALSE(Stream.Opened);
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(WaveOutTest, FailingOpenShowsItsMessageAndLeavesTheStreamClosed) {
  Device.Fail(TKind::Open);
  EXPECT_FALSE(Stream.Open());
  ExpectOnlyError("Error opening wave output");
  EXPECT_FALSE(Stream.Opened);
  EXPECT_FALSE(Stream.Headers[0] || Stream.Headers[1] || Stream.Data[0] || Stream.Data[1]);
  EXPECT_FALSE(Stream.Write(5));
  Stream.Close();
  EXPECT_EQ(Boxes.Calls.size(), 1u);
  EXPECT_EQ(Device.Calls.size(), 1u);
  // A later attempt may succeed.
  EXPECT_TRUE(Stream.Open());
}

TEST_F(WaveOutTest, FailingToTakeBackAFinishedBufferRefusesTheSample) {
  FillBoth();
  ASSERT_TRUE(Device.FinishOldest());
  Device.Fail(TKind::Unprepare);
  EXPECT_FALSE(Stream.Write(SampleAt(8192)));
  ExpectOnlyError("Error unpreparing header x");
  EXPECT_TRUE(Stream.Opened);
  EXPECT_TRUE(Stream.Queued[0]);
  EXPECT_EQ(Stream.Current, 0);
  EXPECT_EQ(Stream.Fill, 0);
  // The done flag is still there, so the next call takes the buffer back.
  EXPECT_TRUE(Stream.Write(SampleAt(8192)));
  EXPECT_FALSE(Stream.Queued[0]);
  EXPECT_EQ(Stream.Fill, 2);
  EXPECT_EQ(Boxes.Calls.size(), 1u);
}

// A refused hand-over takes its sample back: the buffer stays one sample short
// of full and not queued, so the sample offered again is stored once and the
// hand-over is tried again, with its message each time it fails.
TEST_F(WaveOutTest, FailedHandOverIsRetriedByTheNextWriteWithoutLosingOrRepeatingSamples) {
  struct TCase {
    TKind Failing;
    const char* Text;
  };
  for (const TCase& C : {TCase{TKind::Prepare, "Error preparing header"},
                         TCase{TKind::Write, "Error sending data"}}) {
    SCOPED_TRACE(C.Text);
    TScriptedWaveDevice Fresh;
    TScriptedDialogs FreshBoxes;
    TSeamScope<TWaveDeviceService> FreshDevice(Fresh);
    TSeamScope<TDialogService> FreshDialogs(FreshBoxes);
    TWaveOut S;
    ASSERT_TRUE(S.Open());
    for (int N = 0; N < 4095; ++N) ASSERT_TRUE(S.Write(SampleAt(N)));

    Fresh.Fail(C.Failing, 2);
    for (int Attempt = 1; Attempt <= 2; ++Attempt) {
      EXPECT_FALSE(S.Write(SampleAt(4095)));
      ASSERT_EQ(FreshBoxes.MessageBoxes().size(), static_cast<std::size_t>(Attempt));
      EXPECT_EQ(FreshBoxes.MessageBoxes().back().Text, C.Text);
      EXPECT_EQ(FreshBoxes.MessageBoxes().back().Caption, "Error");
      EXPECT_EQ(FreshBoxes.MessageBoxes().back().Flags, MB_OKCANCEL);
      EXPECT_TRUE(S.Opened);
      EXPECT_FALSE(S.Queued[0]);
      EXPECT_EQ(S.Current, 0);
      EXPECT_EQ(S.Fill, 8190);
      EXPECT_TRUE(Fresh.Sent.empty());
    }

    EXPECT_TRUE(S.Write(SampleAt(4095)));
    EXPECT_TRUE(S.Queued[0]);
    EXPECT_EQ(S.Current, 1);
    for (int N = 4096; N < 8192; ++N) ASSERT_TRUE(S.Write(SampleAt(N)));
    EXPECT_EQ(Fresh.AllBytesSent(), BytesOf(0, 8192));
    EXPECT_EQ(FreshBoxes.MessageBoxes().size(), 2u);
  }
}

TEST_F(WaveOutTest, FailingCloseStepsShowTheirMessageAndKeepEverything) {
  struct TCase {
    TKind Failing;
    int After;  // calls of that kind that succeed first
    const char* Text;
    std::vector<TKind> Calls;  // what Close asked of the device
  };
  const std::vector<TCase> Cases = {
      {TKind::Reset, 0, "Error resetting output", {TKind::Reset}},
      {TKind::Unprepare, 0, "Error unpreparing header 0", {TKind::Reset, TKind::Unprepare}},
      {TKind::Unprepare,
       1,
       "Error unpreparing header 1",
       {TKind::Reset, TKind::Unprepare, TKind::Unprepare}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    TScriptedWaveDevice Fresh;
    TScriptedDialogs FreshBoxes;
    TSeamScope<TWaveDeviceService> FreshDevice(Fresh);
    TSeamScope<TDialogService> FreshDialogs(FreshBoxes);
    TWaveOut S;
    ASSERT_TRUE(S.Open());
    for (int N = 0; N < 4096; ++N) ASSERT_TRUE(S.Write(SampleAt(N)));
    const std::size_t Before = Fresh.Calls.size();

    Fresh.Fail(C.Failing, 1, MMSYSERR_ERROR, C.After);
    S.Close();
    const auto Shown = FreshBoxes.MessageBoxes();
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Text, C.Text);
    EXPECT_EQ(Shown[0].Caption, "Error");
    EXPECT_EQ(Shown[0].Flags, MB_OKCANCEL);
    std::vector<TKind> Asked;
    for (std::size_t I = Before; I < Fresh.Calls.size(); ++I) Asked.push_back(Fresh.Calls[I].Kind);
    EXPECT_EQ(Asked, C.Calls);
    EXPECT_TRUE(S.Opened);
    EXPECT_TRUE(Fresh.IsOpen());
    EXPECT_TRUE(S.Headers[0] && S.Headers[1] && S.Data[0] && S.Data[1]);

    // Still open, so a second Close can finish the job.
    S.Close();
    EXPECT_FALSE(S.Opened);
    EXPECT_FALSE(Fresh.IsOpen());
    EXPECT_EQ(FreshBoxes.MessageBoxes().size(), 1u);
  }
}

TEST_F(WaveOutTest, CloseIgnoresTheResultOfClosingTheDevice) {
  ASSERT_TRUE(Stream.Open());
  Device.Fail(TKind::Close);
  Stream.Close();
  EXPECT_FALSE(Stream.Opened);
  EXPECT_TRUE(Boxes.Calls.empty());
}

TEST_F(WaveOutTest, WaitIsPassedToTheDeviceOnlyWhileOpen) {
  Stream.Wait(5);
  EXPECT_TRUE(Device.CallsOf(TKind::Wait).empty());
  ASSERT_TRUE(Stream.Open());
  Stream.Wait(5);
  Stream.Wait(100, 9);
  const auto Waits = Device.CallsOf(TKind::Wait);
  ASSERT_EQ(Waits.size(), 2u);
  EXPECT_EQ(Waits[0].Milliseconds, 5);
  EXPECT_EQ(Waits[0].WakeDescriptor, -1);
  EXPECT_EQ(Waits[1].Milliseconds, 100);
  EXPECT_EQ(Waits[1].WakeDescriptor, 9);
}

}  // namespace
