#include <array>
#include <cmath>

#include "AppFixture.h"
#include "ScriptedPointerState.h"
#include "ScriptedWaveDevice.h"

namespace {

// The device frees its oldest buffer whenever the loop waits on it, so a
// held button streams as long as the script keeps the button down.
class PlayTest : public AppFixture {
 protected:
  PlayTest() {
    Device.OnWait = [](TScriptedWaveDevice& D) { D.FinishOldest(); };
    Show();
  }

  std::vector<std::int16_t> SamplesSent() const {
    const auto Bytes = Device.AllBytesSent();
    std::vector<std::int16_t> Samples;
    for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2) {
      Samples.push_back(static_cast<std::int16_t>(Bytes[I] | (Bytes[I + 1] << 8)));
    }
    return Samples;
  }

  void Hold(QWidget& Button, int Queries, Qt::MouseButton With = Qt::LeftButton) {
    Pointer.DownFor(Queries);
    TPointerDriver Mouse(*Main);
    Mouse.Press(Button, {5, 5}, With);
    Mouse.Release(Button, {5, 5}, With);
  }

  TScriptedWaveDevice Device;
  TSeamScope<TWaveDeviceService> DeviceScope{Device};
  TScriptedPointerState Pointer;
  TSeamScope<TPointerStateService> PointerScope{Pointer};
};

std::array<std::int16_t, kPeriodSamples> PeriodOf(const TNodeList& Wave) {
  std::array<double, kPeriodSamples> Values;
  Wave.RenderPeriod(Values.data(), kPeriodSamples);
  std::array<std::int16_t, kPeriodSamples> Result;
  for (int I = 0; I < kPeriodSamples; ++I)
    Result[I] = static_cast<std::int16_t>(std::trunc(Values[I]));
  return Result;
}

TEST_F(PlayTest, EachPlayButtonLoopsThePeriodOfItsOwnWave) {
  Main->Waves[1]->SetY(2, 10);
  for (int Wave = 0; Wave < 2; ++Wave) {
    SCOPED_TRACE(Wave);
    Device.Sent.clear();
    Hold(Wave == 0 ? *Main->Play0Button : *Main->Play1Button, 9000);
    const auto Sent = SamplesSent();
    ASSERT_GE(Sent.size(), 8192u);
    const auto Period = PeriodOf(*Main->Waves[Wave]);
    for (std::size_t I = 0; I < Sent.size(); ++I) ASSERT_EQ(Sent[I], Period[I % 114]) << I;
    EXPECT_FALSE(Device.IsOpen()) << "closed on release";
    EXPECT_EQ((Wave == 0 ? Main->Play0Button : Main->Play1Button)->GlyphIndex(), 0);
  }
}

TEST_F(PlayTest, PlayAllStreamsTheMorphOnceThenSilence) {
  Main->Waves[1]->SetY(3, 27);
  Hold(*Main->PlayAllButton, 20000);
  const auto Sent = SamplesSent();
  ASSERT_GE(Sent.size(), 12288u);
  std::vector<double> Morph(kMorphSamples);
  RenderTransition(Morph.data(), *Main->Waves[0], *Main->Waves[1], kPeriodSamples, kMorphPeriods);
  for (int I = 0; I < kMorphSamples; ++I) {
    ASSERT_EQ(Sent[I], static_cast<std::int16_t>(std::trunc(Morph[I]))) << I;
  }
  for (std::size_t I = kMorphSamples; I < Sent.size(); ++I) ASSERT_EQ(Sent[I], 0) << I;
  EXPECT_NE(Sent[kMorphSamples - 1], 0) << "the last period is wave 1";
}

TEST_F(PlayTest, ARightPressOpensAndClosesWithoutWriting) {
  Hold(*Main->Play0Button, 0, Qt::RightButton);
  EXPECT_EQ(Device.CallsOf(TScriptedWaveDevice::TKind::Open).size(), 1u);
  EXPECT_EQ(Device.CallsOf(TScriptedWaveDevice::TKind::Close).size(), 1u);
  EXPECT_TRUE(Device.Sent.empty());
}

TEST_F(PlayTest, WithoutADeviceTheErrorShowsOnceAndNothingPlays) {
  Device.Fail(TScriptedWaveDevice::TKind::Open);
  Hold(*Main->PlayAllButton, 100);
  const auto Boxes = Dialogs.MessageBoxes();
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "Error opening wave output");
  EXPECT_EQ(Boxes[0].Caption, "Error");
  EXPECT_EQ(Boxes[0].Flags, MB_OKCANCEL);
  EXPECT_TRUE(Device.Sent.empty());
  EXPECT_EQ(Main->PlayAllButton->GlyphIndex(), 0);
}

}  // namespace
