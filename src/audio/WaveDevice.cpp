#include "WaveDevice.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <thread>

namespace {

// alsa-lib prints its own diagnostics to stderr; the stream reports failures
// to the user itself, so the library is kept quiet.
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  static const bool Done = [] {
    snd_lib_error_set_handler(&SilentAlsaError);
    return true;
  }();
  (void)Done;
}

void SleepMicroseconds(long Microseconds) {
  if (Microseconds > 0) std::this_thread::sleep_for(std::chrono::microseconds(Microseconds));
}

// Sleeps until one of `Fds` has something or `Microseconds` have passed.
void PollFor(std::vector<pollfd>& Fds, long Microseconds) {
  if (Fds.empty()) {
    SleepMicroseconds(Microseconds);
    return;
  }
  timespec Limit{Microseconds / 1000000, (Microseconds % 1000000) * 1000};
  ppoll(Fds.data(), Fds.size(), &Limit, nullptr);
}

}  // namespace

struct TAlsaWaveDevice::TStream : TWaveOutHandle {
  struct TEntry {
    WAVEHDR* Header = nullptr;
    std::vector<std::uint8_t> Bytes;
    std::size_t Offset = 0;      // bytes already accepted by ALSA
    std::uint64_t EndFrame = 0;  // frame count at which the buffer has been played through
  };

  snd_pcm_t* Pcm = nullptr;
  unsigned Rate = 0;
  unsigned FrameBytes = 0;
  snd_pcm_uframes_t BufferFrames = 0;
  unsigned Unlooked = 0;            // done flags read since ALSA was last asked
  std::uint64_t FramesWritten = 0;  // accepted by ALSA since the last reset
  std::uint64_t FramesQueued = 0;   // handed over by waveOutWrite since the last reset
  std::deque<TEntry> Queue;         // sent and not yet done, oldest first
  bool Broken = false;              // ALSA failed beyond recovery

  ~TStream() override {
    if (Pcm) snd_pcm_close(Pcm);
  }

  // Frames handed over and not yet taken by ALSA.
  std::uint64_t Pending() const {
    std::uint64_t Frames = 0;
    for (const TEntry& E : Queue) Frames += (E.Bytes.size() - E.Offset) / FrameBytes;
    return Frames;
  }

  // Recovers from an underrun or a suspend; false if the PCM is unusable.
  bool Recover(long Error) {
    if (Error == -ESTRPIPE) {
      int R;
      while ((R = snd_pcm_resume(Pcm)) == -EAGAIN) SleepMicroseconds(1000);
      if (R >= 0) return true;
    }
    if (Error == -EPIPE || Error == -ESTRPIPE) return snd_pcm_prepare(Pcm) >= 0;
    return false;
  }

  // Hands ALSA as much of the queued data as it takes now.
  void Pump() {
    if (Broken) return;
    for (TEntry& E : Queue) {
      while (E.Offset < E.Bytes.size()) {
        const snd_pcm_uframes_t Frames = (E.Bytes.size() - E.Offset) / FrameBytes;
        const snd_pcm_sframes_t R = snd_pcm_writei(Pcm, E.Bytes.data() + E.Offset, Frames);
        if (R == -EAGAIN) return;
        if (R < 0) {
          if (!Recover(R)) {
            Broken = true;
            return;
          }
          continue;
        }
        E.Offset += static_cast<std::size_t>(R) * FrameBytes;
        FramesWritten += static_cast<std::uint64_t>(R);
        if (static_cast<snd_pcm_uframes_t>(R) < Frames) return;  // full for now
      }
    }
  }

  std::uint64_t FramesPlayed() {
    snd_pcm_sframes_t Avail = 0;
    snd_pcm_sframes_t Delay = 0;
    // Without a delay (after an underrun) everything written has been heard.
    if (snd_pcm_avail_delay(Pcm, &Avail, &Delay) < 0) return FramesWritten;
    // An empty ring has handed everything on. A plug-in that hides an
    // underrun (PipeWire's, 1.4) goes on reporting its own latency as the
    // delay, which would hold the last buffer back for ever.
    if (static_cast<snd_pcm_uframes_t>(Avail) >= BufferFrames) return FramesWritten;
    if (Delay < 0) Delay = 0;
    const auto Queued = static_cast<std::uint64_t>(Delay);
    return Queued >= FramesWritten ? 0 : FramesWritten - Queued;
  }

  // Frames ALSA would take now; none once broken or after an underrun.
  std::uint64_t Room() {
    if (Broken) return 0;
    const snd_pcm_sframes_t Avail = snd_pcm_avail(Pcm);
    return Avail > 0 ? static_cast<std::uint64_t>(Avail) : 0;
  }

  // A buffer is done once it has been played through, or, sooner, once ALSA
  // holds all of it and has room for another buffer as large: the writer then
  // refills while ALSA's whole buffer is still queued, not one buffer of it,
  // so it may be kept from running for that long before the sound runs dry.
  // A writer reads the done flags before every sample, and while it still
  // has a free buffer nothing depends on the answer being fresh: ALSA is
  // asked on every 1024th reading, at once after a hand-over, and with `Now`
  // (a writer that has no buffer left waits, and waiting asks).
  void Update(bool Now = false) {
    if (!Now && ++Unlooked < 1024) return;
    Unlooked = 0;
    Pump();
    if (Queue.empty()) return;
    const std::uint64_t Played = Broken ? FramesQueued : FramesPlayed();
    const std::uint64_t Free = Room();
    while (!Queue.empty()) {
      TEntry& E = Queue.front();
      const bool Written = Broken || E.Offset >= E.Bytes.size();
      if (!Written || (E.EndFrame > Played && Free < E.Bytes.size() / FrameBytes)) break;
      E.Header->dwFlags = (E.Header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      Queue.pop_front();
    }
  }

  bool Contains(const WAVEHDR* Header) const {
    return std::any_of(Queue.begin(), Queue.end(),
                       [Header](const TEntry& E) { return E.Header == Header; });
  }
};

TAlsaWaveDevice::TAlsaWaveDevice(std::string PcmName) : PcmName(std::move(PcmName)) {}

TAlsaWaveDevice::~TAlsaWaveDevice() = default;

TAlsaWaveDevice::TStream* TAlsaWaveDevice::Find(HWAVEOUT Device) const {
  for (const auto& S : Streams) {
    if (S.get() == Device) return S.get();
  }
  return nullptr;
}

MMRESULT TAlsaWaveDevice::waveOutOpen(HWAVEOUT* Device, unsigned DeviceId,
                                      const WAVEFORMATEX* Format, std::uintptr_t Callback,
                                      std::uintptr_t, unsigned) {
  if (!Device || !Format) return MMSYSERR_INVALPARAM;
  *Device = nullptr;
  if (DeviceId != WAVE_MAPPER && DeviceId != 0) return MMSYSERR_BADDEVICEID;
  if (Callback != 0) return MMSYSERR_INVALPARAM;  // done flags are the only notice given
  snd_pcm_format_t PcmFormat;
  if (Format->wBitsPerSample == 16) {
    PcmFormat = SND_PCM_FORMAT_S16_LE;
  } else if (Format->wBitsPerSample == 8) {
    PcmFormat = SND_PCM_FORMAT_U8;
  } else {
    return WAVERR_BADFORMAT;
  }
  if (Format->wFormatTag != WAVE_FORMAT_PCM || Format->nChannels == 0 ||
      Format->nSamplesPerSec == 0 ||
      Format->nBlockAlign != Format->nChannels * Format->wBitsPerSample / 8) {
    return WAVERR_BADFORMAT;
  }

  QuietAlsa();
  // The configuration decides at load time whether "default" goes to a sound
  // server, and only if one is running then; dropping it makes each open look
  // again, so a server started after the first attempt is found.
  snd_config_update_free_global();
  auto Stream = std::make_unique<TStream>();
  // Non-blocking, so that neither opening a busy device nor writing to a full one waits.
  if (snd_pcm_open(&Stream->Pcm, PcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
    Stream->Pcm = nullptr;
    return MMSYSERR_NODRIVER;
  }
  snd_pcm_t* Pcm = Stream->Pcm;
  snd_pcm_hw_params_t* Hw;
  snd_pcm_hw_params_alloca(&Hw);
  unsigned Rate = Format->nSamplesPerSec;
  // Room for four of the stream's usual 8192-byte buffers, about half a
  // second. The period sets the sound server's cycle: PipeWire runs at the
  // shortest period a client asks for, rounded down to a power of two (512
  // samples here, 17 ms). A longer cycle would ride out a longer stall of the
  // server, but what the server already holds when a release drops the rest
  // lasts a cycle or two: at 1024 samples a release takes up to 70 ms.
  snd_pcm_uframes_t BufferFrames = std::max<snd_pcm_uframes_t>(16384, Rate / 2);
  snd_pcm_uframes_t PeriodFrames = std::max<snd_pcm_uframes_t>(256, Rate / 50);
  if (snd_pcm_hw_params_any(Pcm, Hw) < 0 || snd_pcm_hw_params_set_rate_resample(Pcm, Hw, 1) < 0 ||
      snd_pcm_hw_params_set_access(Pcm, Hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
      snd_pcm_hw_params_set_format(Pcm, Hw, PcmFormat) < 0 ||
      snd_pcm_hw_params_set_channels(Pcm, Hw, Format->nChannels) < 0 ||
      snd_pcm_hw_params_set_rate(Pcm, Hw, Rate, 0) < 0) {
    return WAVERR_BADFORMAT;
  }
  snd_pcm_hw_params_set_buffer_size_near(Pcm, Hw, &BufferFrames);
  snd_pcm_hw_params_set_period_size_near(Pcm, Hw, &PeriodFrames, nullptr);
  if (snd_pcm_hw_params(Pcm, Hw) < 0) return WAVERR_BADFORMAT;
  snd_pcm_hw_params_get_buffer_size(Hw, &BufferFrames);
  snd_pcm_hw_params_get_period_size(Hw, &PeriodFrames, nullptr);

  // Start with the first frame: a short press hands over less than ALSA's
  // buffer holds, so waiting for a full buffer might never start at all.
  // The wakeup threshold stays at the period: PipeWire's plug-in takes it for
  // the stream's latency, and with it the server's cycle (see above).
  snd_pcm_sw_params_t* Sw;
  snd_pcm_sw_params_alloca(&Sw);
  if (snd_pcm_sw_params_current(Pcm, Sw) < 0 ||
      snd_pcm_sw_params_set_start_threshold(Pcm, Sw, 1) < 0 ||
      snd_pcm_sw_params_set_avail_min(Pcm, Sw, PeriodFrames) < 0 ||
      snd_pcm_sw_params(Pcm, Sw) < 0) {
    return MMSYSERR_ERROR;
  }
  if (snd_pcm_prepare(Pcm) < 0) return MMSYSERR_ERROR;

  Stream->Rate = Rate;
  Stream->FrameBytes = Format->nBlockAlign;
  Stream->BufferFrames = BufferFrames;
  LastBufferFrames = BufferFrames;
  *Device = Stream.get();
  Streams.push_back(std::move(Stream));
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaWaveDevice::waveOutPrepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) {
  if (!Find(Device)) return MMSYSERR_INVALHANDLE;
  if (!Header || Size != sizeof(WAVEHDR) || !Header->lpData) return MMSYSERR_INVALPARAM;
  Header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaWaveDevice::waveOutWrite(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) {
  TStream* S = Find(Device);
  if (!S) return MMSYSERR_INVALHANDLE;
  if (!Header || Size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (!(Header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if ((Header->dwFlags & WHDR_INQUEUE) || S->Contains(Header)) return WAVERR_STILLPLAYING;
  if (S->Broken) return MMSYSERR_ERROR;
  TStream::TEntry E;
  E.Header = Header;
  const std::size_t Frames = Header->dwBufferLength / S->FrameBytes;
  // A copy, so a buffer freed by its owner while still queued is never read.
  E.Bytes.assign(Header->lpData, Header->lpData + Frames * S->FrameBytes);
  E.EndFrame = S->FramesQueued + Frames;
  S->FramesQueued = E.EndFrame;
  Header->dwFlags = (Header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  S->Queue.push_back(std::move(E));
  S->Pump();
  S->Unlooked = 1024;
  if (S->Broken) {
    S->Queue.pop_back();
    S->FramesQueued -= Frames;
    Header->dwFlags &= ~WHDR_INQUEUE;
    return MMSYSERR_ERROR;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaWaveDevice::waveOutUnprepareHeader(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) {
  TStream* S = Find(Device);
  if (!S) return MMSYSERR_INVALHANDLE;
  if (!Header || Size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (S->Contains(Header)) {
    S->Update(true);
    if (S->Contains(Header)) return WAVERR_STILLPLAYING;
  }
  Header->dwFlags &= ~(WHDR_PREPARED | WHDR_INQUEUE);
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaWaveDevice::waveOutReset(HWAVEOUT Device) {
  TStream* S = Find(Device);
  if (!S) return MMSYSERR_INVALHANDLE;
  snd_pcm_drop(S->Pcm);
  S->Broken = snd_pcm_prepare(S->Pcm) < 0;
  for (TStream::TEntry& E : S->Queue) {
    E.Header->dwFlags = (E.Header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  }
  S->Queue.clear();
  S->FramesWritten = 0;
  S->FramesQueued = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT TAlsaWaveDevice::waveOutClose(HWAVEOUT Device) {
  TStream* S = Find(Device);
  if (!S) return MMSYSERR_INVALHANDLE;
  snd_pcm_drop(S->Pcm);
  // Headers still queued are forgotten, not touched: their owner may be gone.
  std::erase_if(Streams, [S](const std::unique_ptr<TStream>& P) { return P.get() == S; });
  return MMSYSERR_NOERROR;
}

std::uint32_t TAlsaWaveDevice::HeaderFlags(HWAVEOUT Device, WAVEHDR* Header) {
  if (!Header) return 0;
  // Only a queued header can change: the others answer at once, as a writer
  // reads both headers' flags before every sample.
  if (Header->dwFlags & WHDR_INQUEUE) {
    if (TStream* S = Find(Device)) S->Update();
  }
  return Header->dwFlags;
}

void TAlsaWaveDevice::Wait(HWAVEOUT Device, int Milliseconds, int WakeDescriptor) {
  TStream* S = Find(Device);
  long Limit = std::max(0, Milliseconds) * 1000L;
  std::vector<pollfd> Fds;
  if (WakeDescriptor >= 0) Fds.push_back(pollfd{WakeDescriptor, POLLIN, 0});
  if (!S) {
    PollFor(Fds, Limit);
    return;
  }
  const std::size_t Before = S->Queue.size();
  S->Update(true);
  if (S->Queue.size() < Before || S->Queue.empty()) return;  // a buffer is done already
  // Sleep until ALSA should have room for the next step, by the clock rather
  // than on its descriptors, which wake a sleeper every server cycle: room
  // for a quarter of its buffer while data waits to be taken, or else the
  // room (or the playing through) that makes the oldest buffer done.
  if (!S->Broken) {
    const std::uint64_t Free = S->Room();
    const std::uint64_t Pending = S->Pending();
    std::uint64_t Left;
    if (Pending) {
      const std::uint64_t Need = std::min<std::uint64_t>(Pending, S->BufferFrames / 4);
      Left = Need > Free ? Need - Free : 0;
    } else {
      const TStream::TEntry& Oldest = S->Queue.front();
      const std::uint64_t Played = S->FramesPlayed();
      const std::uint64_t Frames = Oldest.Bytes.size() / S->FrameBytes;
      Left = std::min(Oldest.EndFrame > Played ? Oldest.EndFrame - Played : 0,
                      Frames > Free ? Frames - Free : 0);
    }
    Limit = std::min(Limit, static_cast<long>(Left * 1000000ULL / S->Rate) + 500);
  }
  PollFor(Fds, Limit);
  S->Update(true);
}

TWaveDeviceService& WaveDevice() {
  static TAlsaWaveDevice Real;
  return TWaveDeviceService::Installed ? *TWaveDeviceService::Installed : Real;
}
