/*
 * The waveOut and waveIn services and sndPlaySoundW: each checks its
 * arguments, hands the work to the device core and, when the backend keeps a
 * call log, writes one line with its arguments and result.
 */
#include <cstdio>
#include <string>

#include "wave/device.h"

namespace {

using plat::wave::Current;
using plat::wave::Device;
using plat::wave::FindDevice;
using plat::wave::HandleName;

std::string Hex(uintptr_t v) {
  char sz[24];
  snprintf(sz, sizeof sz, "0x%llx", (unsigned long long)v);
  return sz;
}

std::string FormatName(const WAVEFORMATEX *pwfx) {
  if (!pwfx) return "NULL";
  char sz[64];
  snprintf(sz, sizeof sz, "%u/%u/%u", (unsigned)pwfx->nSamplesPerSec, (unsigned)pwfx->wBitsPerSample,
           (unsigned)pwfx->nChannels);
  return sz;
}

std::string HeaderName(const WAVEHDR *pwh) {
  return pwh ? "[" + std::to_string(pwh->dwBufferLength) + "]" : std::string("NULL");
}

MMRESULT Logged(const std::string &call, MMRESULT r) {
  plat::wave::Backend &backend = Current();
  if (backend.KeepsCallLog()) backend.LogCall(call + " = " + std::to_string(r));
  return r;
}

std::string DeviceName(UINT id) { return id == WAVE_MAPPER ? "WAVE_MAPPER" : std::to_string(id); }

MMRESULT Open(const char *name, bool bInput, void **phandle, UINT id, LPCWAVEFORMATEX pwfx,
              DWORD_PTR dwCallback, DWORD fdwOpen) {
  MMRESULT r = plat::wave::OpenDevice(bInput, phandle, id, pwfx, dwCallback, fdwOpen);
  std::string call = std::string(name) + "(" + (phandle ? "&h" : "NULL") + ", " + DeviceName(id) + ", " +
                     FormatName(pwfx) + ", " + Hex(dwCallback) + ", " + Hex(fdwOpen) + ")";
  if (r == MMSYSERR_NOERROR && phandle && *phandle) {
    plat::wave::Backend &backend = Current();
    if (backend.KeepsCallLog()) backend.LogCall(call + " = 0 -> " + HandleName(*phandle));
    return r;
  }
  return Logged(call, r);
}

/* A header call: the handle first, then the header and its size. */
template <typename Op>
MMRESULT HeaderCall(const char *name, bool bInput, void *handle, LPWAVEHDR pwh, UINT cbwh, Op op) {
  std::string call = std::string(name) + "(" + HandleName(handle) + ", " + HeaderName(pwh) + ", " +
                     std::to_string(cbwh) + ")";
  std::shared_ptr<Device> dev = FindDevice(handle, bInput);
  if (!dev) return Logged(call, MMSYSERR_INVALHANDLE);
  if (!pwh || cbwh < sizeof(WAVEHDR)) return Logged(call, MMSYSERR_INVALPARAM);
  return Logged(call, op(*dev, pwh));
}

template <typename Op>
MMRESULT DeviceCall(const char *name, bool bInput, void *handle, Op op) {
  std::string call = std::string(name) + "(" + HandleName(handle) + ")";
  std::shared_ptr<Device> dev = FindDevice(handle, bInput);
  if (!dev) return Logged(call, MMSYSERR_INVALHANDLE);
  op(*dev);
  return Logged(call, MMSYSERR_NOERROR);
}

UINT Count(const char *name, bool bInput) {
  UINT n = Current().Devices(bInput);
  Logged(std::string(name) + "()", n);
  return n;
}

}  // namespace

UINT waveOutGetNumDevs(void) { return Count("waveOutGetNumDevs", false); }

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR, DWORD fdwOpen) {
  return Open("waveOutOpen", false, (void **)phwo, uDeviceID, pwfx, dwCallback, fdwOpen);
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
  return Logged("waveOutClose(" + HandleName(hwo) + ")", plat::wave::CloseDevice(hwo, false));
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveOutPrepareHeader", false, hwo, pwh, cbwh,
                    [](Device &d, WAVEHDR *p) { return d.Prepare(p); });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveOutUnprepareHeader", false, hwo, pwh, cbwh,
                    [](Device &d, WAVEHDR *p) { return d.Unprepare(p); });
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveOutWrite", false, hwo, pwh, cbwh, [](Device &d, WAVEHDR *p) { return d.Queue(p); });
}

MMRESULT waveOutPause(HWAVEOUT hwo) {
  return DeviceCall("waveOutPause", false, hwo, [](Device &d) { d.SetRunning(false); });
}

MMRESULT waveOutRestart(HWAVEOUT hwo) {
  return DeviceCall("waveOutRestart", false, hwo, [](Device &d) { d.SetRunning(true); });
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
  return DeviceCall("waveOutReset", false, hwo, [](Device &d) { d.Reset(); });
}

UINT waveInGetNumDevs(void) { return Count("waveInGetNumDevs", true); }

MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback, DWORD_PTR,
                    DWORD fdwOpen) {
  return Open("waveInOpen", true, (void **)phwi, uDeviceID, pwfx, dwCallback, fdwOpen);
}

MMRESULT waveInClose(HWAVEIN hwi) {
  return Logged("waveInClose(" + HandleName(hwi) + ")", plat::wave::CloseDevice(hwi, true));
}

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveInPrepareHeader", true, hwi, pwh, cbwh,
                    [](Device &d, WAVEHDR *p) { return d.Prepare(p); });
}

MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveInUnprepareHeader", true, hwi, pwh, cbwh,
                    [](Device &d, WAVEHDR *p) { return d.Unprepare(p); });
}

MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh) {
  return HeaderCall("waveInAddBuffer", true, hwi, pwh, cbwh, [](Device &d, WAVEHDR *p) { return d.Queue(p); });
}

MMRESULT waveInStart(HWAVEIN hwi) {
  return DeviceCall("waveInStart", true, hwi, [](Device &d) { d.SetRunning(true); });
}

MMRESULT waveInStop(HWAVEIN hwi) {
  return DeviceCall("waveInStop", true, hwi, [](Device &d) { d.SetRunning(false); });
}

MMRESULT waveInReset(HWAVEIN hwi) {
  return DeviceCall("waveInReset", true, hwi, [](Device &d) { d.Reset(); });
}

BOOL sndPlaySoundW(LPCWSTR pszSound, UINT fuSound) {
  BOOL bResult = pszSound == NULL;
  Logged(std::string("sndPlaySoundW(") + (pszSound ? "sound" : "NULL") + ", " + Hex(fuSound) + ")",
         (MMRESULT)bResult);
  return bResult;
}
