#include "ScriptedWaveDevice.h"

namespace {

TWaveDeviceCall NewCall(TWaveDeviceCall::TKind Kind, WAVEHDR* Header = nullptr, unsigned Size = 0) {
  TWaveDeviceCall Call;
  Call.Kind = Kind;
  Call.Header = Header;
  Call.Size = Size;
  return Call;
}

}  // namespace

MMRESULT TScriptedWaveDevice::Check(TWaveDeviceCall& Call) {
  auto It = Failures.find(Call.Kind);
  if (It == Failures.end()) return MMSYSERR_NOERROR;
  TFailure& F = It->second;
  if (F.After > 0) {
    --F.After;
    return MMSYSERR_NOERROR;
  }
  if (F.Times == 0) return MMSYSERR_NOERROR;
  if (F.Times > 0) --F.Times;
  return F.Code;
}

MMRESULT TScriptedWaveDevice::Finish(TWaveDeviceCall Call, MMRESULT Result) {
  Call.Result = Result;
  Calls.push_back(Call);
  return Result;
}

void TScriptedWaveDevice::Fail(TKind Kind, int Times, MMRESULT Code, int After) {
  Failures[Kind] = TFailure{.After = After, .Times = Times, .Code = Code};
}

MMRESULT TScriptedWaveDevice::waveOutOpen(HWAVEOUT* Device, unsigned DeviceId,
                                          const WAVEFORMATEX* Format, std::uintptr_t Callback,
                                          std::uintptr_t Instance, unsigned Flags) {
  TWaveDeviceCall Call = NewCall(TKind::Open);
  Call.DeviceId = DeviceId;
  if (Format) Call.Format = *Format;
  Call.Callback = Callback;
  Call.Instance = Instance;
  Call.Flags = Flags;
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (Open) return Finish(Call, MMSYSERR_ERROR);  // one stream at a time is all a test needs
  Open = true;
  *Device = &Handle;
  return Finish(Call, MMSYSERR_NOERROR);
}

MMRESULT TScriptedWaveDevice::waveOutPrepareHeader(HWAVEOUT Device, WAVEHDR* Header,
                                                   unsigned Size) {
  TWaveDeviceCall Call = NewCall(TKind::Prepare, Header, Size);
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (!Open || Device != &Handle) return Finish(Call, MMSYSERR_INVALHANDLE);
  Header->dwFlags |= WHDR_PREPARED;
  return Finish(Call, MMSYSERR_NOERROR);
}

MMRESULT TScriptedWaveDevice::waveOutWrite(HWAVEOUT Device, WAVEHDR* Header, unsigned Size) {
  TWaveDeviceCall Call = NewCall(TKind::Write, Header, Size);
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (!Open || Device != &Handle) return Finish(Call, MMSYSERR_INVALHANDLE);
  if (!(Header->dwFlags & WHDR_PREPARED)) return Finish(Call, WAVERR_UNPREPARED);
  if (Header->dwFlags & WHDR_INQUEUE) return Finish(Call, WAVERR_STILLPLAYING);
  Header->dwFlags = (Header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  Queue.push_back(Header);
  Sent.emplace_back(Header->lpData, Header->lpData + Header->dwBufferLength);
  return Finish(Call, MMSYSERR_NOERROR);
}

MMRESULT TScriptedWaveDevice::waveOutUnprepareHeader(HWAVEOUT Device, WAVEHDR* Header,
                                                     unsigned Size) {
  TWaveDeviceCall Call = NewCall(TKind::Unprepare, Header, Size);
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (!Open || Device != &Handle) return Finish(Call, MMSYSERR_INVALHANDLE);
  if (Header->dwFlags & WHDR_INQUEUE) return Finish(Call, WAVERR_STILLPLAYING);
  Header->dwFlags &= ~WHDR_PREPARED;
  return Finish(Call, MMSYSERR_NOERROR);
}

MMRESULT TScriptedWaveDevice::waveOutReset(HWAVEOUT Device) {
  TWaveDeviceCall Call = NewCall(TKind::Reset);
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (!Open || Device != &Handle) return Finish(Call, MMSYSERR_INVALHANDLE);
  while (FinishOldest()) {
  }
  return Finish(Call, MMSYSERR_NOERROR);
}

MMRESULT TScriptedWaveDevice::waveOutClose(HWAVEOUT Device) {
  TWaveDeviceCall Call = NewCall(TKind::Close);
  if (const MMRESULT R = Check(Call)) return Finish(Call, R);
  if (!Open || Device != &Handle) return Finish(Call, MMSYSERR_INVALHANDLE);
  Open = false;
  Queue.clear();
  return Finish(Call, MMSYSERR_NOERROR);
}

std::uint32_t TScriptedWaveDevice::HeaderFlags(HWAVEOUT, WAVEHDR* Header) {
  ++FlagReads;
  return Header ? Header->dwFlags : 0;
}

void TScriptedWaveDevice::Wait(HWAVEOUT, int Milliseconds, int WakeDescriptor) {
  TWaveDeviceCall Call = NewCall(TKind::Wait);
  Call.Milliseconds = Milliseconds;
  Call.WakeDescriptor = WakeDescriptor;
  Calls.push_back(Call);
  if (OnWait) OnWait(*this);
}

bool TScriptedWaveDevice::FinishOldest() {
  if (Queue.empty()) return false;
  WAVEHDR* H = Queue.front();
  Queue.erase(Queue.begin());
  H->dwFlags = (H->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  return true;
}

std::vector<TWaveDeviceCall> TScriptedWaveDevice::CallsOf(TKind Kind) const {
  std::vector<TWaveDeviceCall> Result;
  for (const auto& C : Calls) {
    if (C.Kind == Kind) Result.push_back(C);
  }
  return Result;
}

std::vector<std::uint8_t> TScriptedWaveDevice::AllBytesSent() const {
  std::vector<std::uint8_t> Result;
  for (const auto& B : Sent) Result.insert(Result.end(), B.begin(), B.end());
  return Result;
}
