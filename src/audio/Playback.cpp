#include "Playback.h"

#include <vector>

#include "Nodes.h"
#include "PointerState.h"
#include "Waveout.h"

namespace {

// Sleeps only when the stream refused for lack of a free buffer; a refusal for
// an error has shown its message box and is retried at once. The sleep ends
// when the device wants data or the pointer has news, whichever comes first.
void WaitIfBothOut(TWaveOut& Stream, TPointerStateService& Pointer) {
  if (!Stream.Opened || !Stream.Queued[Stream.Current]) return;
  const int Wake = Pointer.WakeDescriptor();
  Stream.Wait(Wake >= 0 ? PlaySleepMilliseconds : PlayWaitMilliseconds, Wake);
}

std::vector<std::int16_t> Converted(const double* Samples, int Count) {
  std::vector<std::int16_t> Result(static_cast<std::size_t>(Count));
  for (int I = 0; I < Count; ++I) Result[static_cast<std::size_t>(I)] = SampleToPcm(Samples[I]);
  return Result;
}

}  // namespace

void PlayPeriodWhileHeld(const double* Samples) {
  const std::vector<std::int16_t> Bits = Converted(Samples, PlayPeriodSamples);
  TWaveOut Stream;
  if (!Stream.Open()) return;
  TPointerStateService& Pointer = PointerState();
  std::size_t I = 0;
  while (Pointer.LeftButtonDown()) {
    if (Stream.Write(Bits[I])) {
      if (++I == Bits.size()) I = 0;
    } else {
      WaitIfBothOut(Stream, Pointer);
    }
  }
  Stream.Close();
}

void PlayMorphWhileHeld(const double* Samples) {
  const std::vector<std::int16_t> Bits = Converted(Samples, PlayMorphSamples);
  TWaveOut Stream;
  if (!Stream.Open()) return;
  TPointerStateService& Pointer = PointerState();
  std::size_t I = 0;
  while (Pointer.LeftButtonDown()) {
    const bool Morph = I < Bits.size();
    if (Stream.Write(Morph ? Bits[I] : std::int16_t{0})) {
      if (Morph) ++I;
    } else {
      WaitIfBothOut(Stream, Pointer);
    }
  }
  Stream.Close();
}
