#pragma once

#include <cstdint>
#include <memory>

#include "WaveDevice.h"

// A 16-bit mono stream at 29,761 samples per second, fed one sample at a time
// through two 8192-byte buffers that take turns with the device. Write never
// waits: with both buffers out it refuses the sample, and the caller offers it
// again (Wait lets the caller sleep meanwhile instead of spinning).
// Errors are shown in a message box titled "Error" with OK and Cancel.
class TWaveOut {
 public:
  static constexpr int BufferBytes = 8192;
  static constexpr std::uint32_t SampleRate = 29761;

  TWaveOut();
  // Destroying an open stream closes nothing: the owner calls Close first.
  ~TWaveOut() = default;
  TWaveOut(const TWaveOut&) = delete;
  TWaveOut& operator=(const TWaveOut&) = delete;

  bool Open();
  bool Write(std::int16_t Sample);
  void Close();
  // Sleeps up to `Milliseconds`, less if the device may have finished a buffer
  // or `WakeDescriptor` (if not -1) turns readable.
  void Wait(int Milliseconds, int WakeDescriptor = -1);

  bool Opened = false;
  bool Queued[2] = {false, false};
  std::int32_t Current = 0;
  std::int32_t Fill = 0;
  HWAVEOUT Device = nullptr;
  WAVEFORMATEX Format;
  std::unique_ptr<WAVEHDR> Headers[2];
  std::unique_ptr<std::uint8_t[]> Data[2];

 private:
  bool HandOver();
};
