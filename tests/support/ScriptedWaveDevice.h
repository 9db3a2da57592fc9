#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "WaveDevice.h"

struct TWaveDeviceCall {
  enum class TKind { Open, Prepare, Write, Unprepare, Reset, Close, Wait };
  TKind Kind = TKind::Open;
  WAVEHDR* Header = nullptr;
  MMRESULT Result = MMSYSERR_NOERROR;
  // Open only.
  unsigned DeviceId = 0;
  WAVEFORMATEX Format;
  std::uintptr_t Callback = 0;
  std::uintptr_t Instance = 0;
  unsigned Flags = 0;
  unsigned Size = 0;        // header size passed, where asked
  int Milliseconds = 0;     // Wait only
  int WakeDescriptor = -1;  // Wait only
};

// Records every call and the bytes of every buffer sent; a buffer is done only
// when the test says so. Any call can be told to fail.
class TScriptedWaveDevice : public TWaveDeviceService {
 public:
  using TKind = TWaveDeviceCall::TKind;

  MMRESULT waveOutOpen(HWAVEOUT* Device, unsigned DeviceId, const WAVEFORMATEX* Format,
                       std::uintptr_t Callback, std::uintptr_t Instance, unsigned Flags) override;
  MMRESULT waveOutPrepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutWrite(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutUnprepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutReset(HWAVEOUT Device) override;
  MMRESULT waveOutClose(HWAVEOUT Device) override;
  std::uint32_t HeaderFlags(HWAVEOUT Device, WAVEHDR* Header) override;
  void Wait(HWAVEOUT Device, int Milliseconds, int WakeDescriptor) override;

  // After `After` more successful calls of that kind, the next `Times` fail
  // with `Code` (Times < 0: all of them).
  void Fail(TKind Kind, int Times = 1, MMRESULT Code = MMSYSERR_ERROR, int After = 0);
  // Marks the oldest buffer still with the device done; false if there is none.
  bool FinishOldest();
  int QueuedCount() const { return static_cast<int>(Queue.size()); }
  bool IsOpen() const { return Open; }
  std::vector<TWaveDeviceCall> CallsOf(TKind Kind) const;
  std::vector<std::uint8_t> AllBytesSent() const;

  std::vector<TWaveDeviceCall> Calls;
  std::vector<std::vector<std::uint8_t>> Sent;  // one entry per accepted waveOutWrite
  long FlagReads = 0;                           // HeaderFlags is asked too often to record
  std::function<void(TScriptedWaveDevice&)> OnWait;

 private:
  struct THandle : TWaveOutHandle {};
  MMRESULT Check(TWaveDeviceCall& Call);
  MMRESULT Finish(TWaveDeviceCall Call, MMRESULT Result);

  THandle Handle;
  bool Open = false;
  std::vector<WAVEHDR*> Queue;
  struct TFailure {
    int After = 0;
    int Times = 0;
    MMRESULT Code = MMSYSERR_ERROR;
  };
  std::map<TKind, TFailure> Failures;
};
