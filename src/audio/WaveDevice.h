#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Seam.h"

// The wave-out interface the stream was written against: result codes, format
// record, buffer header and flags keep their classic names and values.
using MMRESULT = unsigned;
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

constexpr unsigned WAVE_MAPPER = 0xFFFFFFFFu;
constexpr unsigned WAVE_ALLOWSYNC = 0x0002;
constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

constexpr std::uint32_t WHDR_DONE = 0x01;
constexpr std::uint32_t WHDR_PREPARED = 0x02;
constexpr std::uint32_t WHDR_INQUEUE = 0x10;

struct WAVEFORMATEX {
  std::uint16_t wFormatTag = 0;
  std::uint16_t nChannels = 0;
  std::uint32_t nSamplesPerSec = 0;
  std::uint32_t nAvgBytesPerSec = 0;
  std::uint16_t nBlockAlign = 0;
  std::uint16_t wBitsPerSample = 0;
  std::uint16_t cbSize = 0;
};

struct WAVEHDR {
  std::uint8_t* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesRecorded = 0;
  std::uintptr_t dwUser = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  std::uintptr_t reserved = 0;
};

// Every implementation derives its per-open state from this; a handle is a
// pointer to it and is only meaningful to the service that issued it.
struct TWaveOutHandle {
  virtual ~TWaveOutHandle() = default;
};
using HWAVEOUT = TWaveOutHandle*;

// The wave output device. The six classic calls keep their shape; the two
// extras exist because nothing here calls back: `HeaderFlags` brings a
// header's done flag up to date when it is read, and `Wait` sleeps until the
// device may take more data or finish a buffer, or `WakeDescriptor` (if not
// -1) turns readable, for at most `Milliseconds`.
class TWaveDeviceService {
 public:
  virtual ~TWaveDeviceService() = default;
  virtual MMRESULT waveOutOpen(HWAVEOUT* Device, unsigned DeviceId, const WAVEFORMATEX* Format,
                               std::uintptr_t Callback, std::uintptr_t Instance,
                               unsigned Flags) = 0;
  virtual MMRESULT waveOutPrepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) = 0;
  virtual MMRESULT waveOutWrite(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) = 0;
  virtual MMRESULT waveOutUnprepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) = 0;
  virtual MMRESULT waveOutReset(HWAVEOUT Device) = 0;
  virtual MMRESULT waveOutClose(HWAVEOUT Device) = 0;
  virtual std::uint32_t HeaderFlags(HWAVEOUT Device, WAVEHDR* Header) = 0;
  virtual void Wait(HWAVEOUT Device, int Milliseconds, int WakeDescriptor) = 0;

  static inline TWaveDeviceService* Installed = nullptr;
};

TWaveDeviceService& WaveDevice();

// The real device: an ALSA PCM, "default" unless told otherwise. Buffers are
// copied when sent, pushed to ALSA as far as it takes them without blocking,
// and counted done once ALSA reports every frame up to their end as played,
// or sooner, once ALSA holds all of a buffer and has room for one more.
class TAlsaWaveDevice : public TWaveDeviceService {
 public:
  explicit TAlsaWaveDevice(std::string PcmName = "default");
  ~TAlsaWaveDevice() override;
  MMRESULT waveOutOpen(HWAVEOUT* Device, unsigned DeviceId, const WAVEFORMATEX* Format,
                       std::uintptr_t Callback, std::uintptr_t Instance, unsigned Flags) override;
  MMRESULT waveOutPrepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutWrite(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutUnprepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) override;
  MMRESULT waveOutReset(HWAVEOUT Device) override;
  MMRESULT waveOutClose(HWAVEOUT Device) override;
  std::uint32_t HeaderFlags(HWAVEOUT Device, WAVEHDR* Header) override;
  void Wait(HWAVEOUT Device, int Milliseconds, int WakeDescriptor) override;

  // The buffer size in frames ALSA granted to the most recent open, 0 if none.
  unsigned long GrantedBufferFrames() const { return LastBufferFrames; }

 private:
  struct TStream;
  TStream* Find(HWAVEOUT Device) const;

  std::string PcmName;
  std::vector<std::unique_ptr<TStream>> Streams;
  unsigned long LastBufferFrames = 0;
};
