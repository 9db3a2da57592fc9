#include "Waveout.h"

#include <new>
#include <string>

#include "Dialogs.h"

namespace {

constexpr unsigned HeaderSize = sizeof(WAVEHDR);

void ShowError(const std::string& Text) {
  Dialogs().MessageBox(Text, "Error", MB_OKCANCEL);
}

}  // namespace

TWaveOut::TWaveOut() = default;

bool TWaveOut::Open() {
  if (Opened) return true;

  Format = WAVEFORMATEX{};
  Format.wFormatTag = WAVE_FORMAT_PCM;
  Format.nChannels = 1;
  Format.nSamplesPerSec = SampleRate;
  Format.nAvgBytesPerSec = SampleRate * 2;
  Format.nBlockAlign = 2;
  Format.wBitsPerSample = 16;
  Format.cbSize = 0;

  // The buffers come first, so that neither failure leaves anything to undo;
  // running out of memory is reported as the device not opening.
  std::unique_ptr<WAVEHDR> NewHeaders[2];
  std::unique_ptr<std::uint8_t[]> NewData[2];
  try {
    for (int K = 0; K < 2; ++K) {
      NewData[K] = std::make_unique<std::uint8_t[]>(BufferBytes);  // zero-filled
      NewHeaders[K] = std::make_unique<WAVEHDR>();
    }
  } catch (const std::bad_alloc&) {
    ShowError("Error opening wave output");
    return false;
  }

  HWAVEOUT NewDevice = nullptr;
  if (WaveDevice().waveOutOpen(&NewDevice, WAVE_MAPPER, &Format, 0, 0, WAVE_ALLOWSYNC) !=
      MMSYSERR_NOERROR) {
    ShowError("Error opening wave output");
    return false;
  }

  Device = NewDevice;
  for (int K = 0; K < 2; ++K) {
    Data[K] = std::move(NewData[K]);
    Headers[K] = std::move(NewHeaders[K]);
    Headers[K]->lpData = Data[K].get();
    Headers[K]->dwBufferLength = BufferBytes;
    Queued[K] = false;
  }
  Current = 0;
  Fill = 0;
  Opened = true;
  return true;
}

bool TWaveOut::Write(std::int16_t Sample) {
  if (!Opened) return false;

  for (int K = 0; K < 2; ++K) {
    if (WaveDevice().HeaderFlags(Device, Headers[K].get()) & WHDR_DONE) {
      if (WaveDevice().waveOutUnprepareHeader(Device, Headers[K].get(), HeaderSize) !=
          MMSYSERR_NOERROR) {
        ShowError("Error unpreparing header x");
        return false;
      }
      Headers[K]->dwFlags = 0;
      Queued[K] = false;
    }
  }

  if (Queued[Current]) return false;

  const auto Bits = static_cast<std::uint16_t>(Sample);
  Data[Current][Fill] = static_cast<std::uint8_t>(Bits & 0xFF);
  Data[Current][Fill + 1] = static_cast<std::uint8_t>(Bits >> 8);
  Fill += 2;
  if (Fill < BufferBytes) return true;

  if (!HandOver()) {
    // Take the sample back: the caller offers a refused sample again, and
    // keeping it would both play it twice and leave no room for it.
    Fill -= 2;
    return false;
  }
  return true;
}

bool TWaveOut::HandOver() {
  WAVEHDR& Header = *Headers[Current];
  Header.lpData = Data[Current].get();
  Header.dwBufferLength = BufferBytes;
  Header.dwFlags = 0;
  if (WaveDevice().waveOutPrepareHeader(Device, &Header, HeaderSize) != MMSYSERR_NOERROR) {
    ShowError("Error preparing header");
    return false;
  }
  if (WaveDevice().waveOutWrite(Device, &Header, HeaderSize) != MMSYSERR_NOERROR) {
    ShowError("Error sending data");
    return false;
  }
  Queued[Current] = true;
  Fill = 0;
  Current = 1 - Current;
  return true;
}

void TWaveOut::Close() {
  if (!Opened) return;
  if (WaveDevice().waveOutReset(Device) != MMSYSERR_NOERROR) {
    ShowError("Error resetting output");
    return;
  }
  if (WaveDevice().waveOutUnprepareHeader(Device, Headers[0].get(), HeaderSize) !=
      MMSYSERR_NOERROR) {
    ShowError("Error unpreparing header 0");
    return;
  }
  if (WaveDevice().waveOutUnprepareHeader(Device, Headers[1].get(), HeaderSize) !=
      MMSYSERR_NOERROR) {
    ShowError("Error unpreparing header 1");
    return;
  }
  Data[0].reset();
  Data[1].reset();
  Headers[0].reset();
  Headers[1].reset();
  WaveDevice().waveOutClose(Device);
  Device = nullptr;
  Queued[0] = Queued[1] = false;
  Opened = false;
}

void TWaveOut::Wait(int Milliseconds, int WakeDescriptor) {
  if (Opened) WaveDevice().Wait(Device, Milliseconds, WakeDescriptor);
}
