/*
 * The waveOut and waveIn services and sndPlaySoundW: each checks its
 * arguments, hands the work to the device core and, when the backend keeps a
 * call log, writes one line with its arguments and result.
 */
#include <algorithm>
#include <cstdio>
#include <cstring>
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

/* Copies UTF-8 text into a UTF-16 buffer of n units, cut to fit and ended
 * with a zero; a byte that starts no valid sequence becomes U+FFFD. */
void CopyName(const std::string &s, WCHAR *psz, size_t n) {
  size_t out = 0;
  for (size_t i = 0; i < s.size() && out + 1 < n;) {
    unsigned char c = (unsigned char)s[i];
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = extra < 0 ? 0xFFFD : extra == 0 ? c : c & (0x3F >> extra);
    size_t used = 1;
    for (int k = 1; k <= extra; k++, used++) {
      if (i + k >= s.size() || ((unsigned char)s[i + k] & 0xC0) != 0x80) {
        cp = 0xFFFD;
        break;
      }
      cp = cp << 6 | ((unsigned char)s[i + k] & 0x3F);
    }
    i += used;
    if (cp > 0xFFFF) {
      if (out + 2 >= n) break;
      cp -= 0x10000;
      psz[out++] = (WCHAR)(0xD800 + (cp >> 10));
      psz[out++] = (WCHAR)(0xDC00 + (cp & 0x3FF));
    } else {
      psz[out++] = (WCHAR)cp;
    }
  }
  psz[out] = 0;
}

UINT Count(const char *name, bool bInput) {
  UINT n = Current().Devices(bInput);
  Logged(std::string(name) + "()", n);
  return n;
}

}  // namespace

UINT waveOutGetNumDevs(void) { return Count("waveOutGetNumDevs", false); }

/* The capabilities every device of ours has: 8 and 16 bits, mono and
 * stereo, at every standard rate (SDL converts for the hardware). */
MMRESULT waveOutGetDevCapsW(UINT_PTR uDeviceID, LPWAVEOUTCAPSW pwoc, UINT cbwoc) {
  std::string call = "waveOutGetDevCapsW(" + DeviceName((UINT)uDeviceID) + ", " + (pwoc ? "&caps" : "NULL") + ", " +
                     std::to_string(cbwoc) + ")";
  if (!pwoc) return Logged(call, MMSYSERR_INVALPARAM);
  plat::wave::Backend &backend = Current();
  UINT nDevices = backend.Devices(false);
  bool bMapper = (UINT)uDeviceID == WAVE_MAPPER && nDevices > 0;
  if (uDeviceID >= nDevices && !bMapper) return Logged(call, MMSYSERR_BADDEVICEID);
  WAVEOUTCAPSW caps{};
  caps.vDriverVersion = 0x0100;
  CopyName(bMapper ? std::string("Sound mapper") : backend.Name(false, (UINT)uDeviceID), caps.szPname, MAXPNAMELEN);
  caps.dwFormats = 0xFFF;
  caps.wChannels = 2;
  memcpy(pwoc, &caps, std::min<size_t>(cbwoc, sizeof caps));
  return Logged(call, MMSYSERR_NOERROR);
}

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
