#include "wave/device.h"

#include <atomic>
#include <cstring>
#include <map>

namespace plat::wave {

namespace {

Mutex g_registryLock;
std::map<void *, std::shared_ptr<Device>> g_devices;
/* Handle values count up and are never reused, so a closed handle stays
 * invalid for good. */
constexpr uintptr_t kHandleBase = 0x5700000, kHandleStep = 0x10;
uintptr_t g_nextHandle = kHandleBase;

bool ConsistentPcm(const WAVEFORMATEX &wfx) {
  if (wfx.wFormatTag != WAVE_FORMAT_PCM) return false;
  if (wfx.nChannels < 1 || wfx.nChannels > 2) return false;
  if (wfx.wBitsPerSample != 8 && wfx.wBitsPerSample != 16) return false;
  if (wfx.nSamplesPerSec == 0) return false;
  DWORD align = (DWORD)wfx.nChannels * wfx.wBitsPerSample / 8;
  return wfx.nBlockAlign == align && wfx.nAvgBytesPerSec == align * wfx.nSamplesPerSec;
}

/* Copies n bytes out of a block that its owner may be rewriting: sample by
 * sample with relaxed atomic loads, bytes where the block is not aligned. */
void CopyLive(BYTE *dst, BYTE *src, size_t n) {
  if ((((uintptr_t)src) | n) % 2 == 0) {
    for (size_t i = 0; i < n; i += 2) {
      SHORT s = std::atomic_ref<SHORT>(*(SHORT *)(src + i)).load(std::memory_order_relaxed);
      memcpy(dst + i, &s, 2);
    }
  } else {
    for (size_t i = 0; i < n; i++) dst[i] = std::atomic_ref<BYTE>(src[i]).load(std::memory_order_relaxed);
  }
}

}  // namespace

DWORD LoadFlags(const WAVEHDR *pwh) {
  return std::atomic_ref<DWORD>(const_cast<DWORD &>(pwh->dwFlags)).load(std::memory_order_acquire);
}

void StoreFlags(WAVEHDR *pwh, DWORD dwFlags) {
  std::atomic_ref<DWORD>(pwh->dwFlags).store(dwFlags, std::memory_order_release);
}

Device::Device(bool bInput, const WAVEFORMATEX &format, HWND hwndNotify)
    : input(bInput), wfx(format), notify(hwndNotify), m_running(!bInput) {}

size_t Device::Playable(const WAVEHDR *pwh) const {
  return pwh->dwBufferLength - pwh->dwBufferLength % wfx.nBlockAlign;
}

void Device::Complete(WAVEHDR *pwh, std::vector<WAVEHDR *> *done) {
  StoreFlags(pwh, (LoadFlags(pwh) & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE);
  done->push_back(pwh);
}

void Device::CompleteAll(std::vector<WAVEHDR *> *done) {
  for (WAVEHDR *pwh : m_queue) Complete(pwh, done);
  m_queue.clear();
  m_pos = m_offset = 0;
  m_inLoop = false;
  m_pass = 0;
}

void Device::Post(const std::vector<WAVEHDR *> &done) {
  if (!notify) return;
  for (WAVEHDR *pwh : done)
    PostMessageW(notify, input ? MM_WIM_DATA : MM_WOM_DONE, (WPARAM)handle, (LPARAM)pwh);
}

void Device::Transfer(BYTE *pb, size_t cb) {
  m_transferDone.clear();
  {
    Guard hold(m_lock);
    if (input)
      Record(pb, cb);
    else
      Play(pb, cb);
  }
  Post(m_transferDone);
}

/* Fills cb bytes from the queue, looping where the headers say so, and
 * silence where nothing is to be played. */
void Device::Play(BYTE *pb, size_t cb) {
  while (cb > 0) {
    if (!m_running || m_pos >= m_queue.size()) {
      memset(pb, wfx.wBitsPerSample == 8 ? 0x80 : 0, cb);
      return;
    }
    WAVEHDR *pwh = m_queue[m_pos];
    DWORD dwFlags = LoadFlags(pwh);
    if (m_offset == 0 && !m_inLoop && (dwFlags & WHDR_BEGINLOOP)) {
      m_inLoop = true;
      m_loopsLeft = pwh->dwLoops ? pwh->dwLoops : 1;
      m_pass = 1;
      m_passBytes = 0;
    }
    size_t n = std::min(Playable(pwh) - m_offset, cb);
    CopyLive(pb, (BYTE *)pwh->lpData + m_offset, n);
    pb += n;
    cb -= n;
    m_offset += n;
    m_passBytes += n;
    if (m_offset < Playable(pwh)) return;

    m_offset = 0;
    if (!m_inLoop) {
      Complete(pwh, &m_transferDone);
      m_queue.pop_front();
    } else if (!(dwFlags & WHDR_ENDLOOP)) {
      m_pos++;
    } else if (m_loopsLeft > 1 && m_passBytes > 0) {
      m_loopsLeft--;
      m_pass++;
      m_passBytes = 0;
      m_pos = 0;
    } else {
      for (size_t i = 0; i <= m_pos; i++) Complete(m_queue[i], &m_transferDone);
      m_queue.erase(m_queue.begin(), m_queue.begin() + (ptrdiff_t)m_pos + 1);
      m_pos = 0;
      m_inLoop = false;
      m_pass = 0;
    }
  }
}

/* Stores recorded bytes into the queued buffers, returning each one that is
 * full; without a started device or a buffer they are dropped. */
void Device::Record(const BYTE *pb, size_t cb) {
  while (cb > 0 && m_running && !m_queue.empty()) {
    WAVEHDR *pwh = m_queue.front();
    size_t n = std::min((size_t)(pwh->dwBufferLength - pwh->dwBytesRecorded), cb);
    memcpy(pwh->lpData + pwh->dwBytesRecorded, pb, n);
    pwh->dwBytesRecorded += (DWORD)n;
    pb += n;
    cb -= n;
    if (pwh->dwBytesRecorded == pwh->dwBufferLength) {
      Complete(pwh, &m_transferDone);
      m_queue.pop_front();
    }
  }
}

void Device::Lost() {
  std::vector<WAVEHDR *> done;
  {
    Guard hold(m_lock);
    m_lost = true;
    CompleteAll(&done);
  }
  Post(done);
}

void Device::JumpToLastPass() {
  Guard hold(m_lock);
  if (!m_inLoop) return;
  m_pass += m_loopsLeft - 1;
  m_loopsLeft = 1;
}

DWORD Device::LoopPass() {
  Guard hold(m_lock);
  return m_inLoop ? m_pass : 0;
}

bool Device::Queued() {
  Guard hold(m_lock);
  return !m_queue.empty();
}

MMRESULT Device::Prepare(WAVEHDR *pwh) {
  Guard hold(m_lock);
  DWORD dwFlags = LoadFlags(pwh);
  if (dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  StoreFlags(pwh, (dwFlags | WHDR_PREPARED) & ~(DWORD)WHDR_DONE);
  return MMSYSERR_NOERROR;
}

MMRESULT Device::Unprepare(WAVEHDR *pwh) {
  Guard hold(m_lock);
  DWORD dwFlags = LoadFlags(pwh);
  if (dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  StoreFlags(pwh, dwFlags & ~(DWORD)WHDR_PREPARED);
  return MMSYSERR_NOERROR;
}

MMRESULT Device::Queue(WAVEHDR *pwh) {
  DWORD dwFlags = LoadFlags(pwh);
  if (!(dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  MMRESULT r = port->Accept(*pwh);
  if (r != MMSYSERR_NOERROR) return r;
  {
    Guard hold(m_lock);
    if (m_lost) return MMSYSERR_NODRIVER;
    if (m_closing) return MMSYSERR_INVALHANDLE;
    if (input) pwh->dwBytesRecorded = 0;
    StoreFlags(pwh, (LoadFlags(pwh) | WHDR_INQUEUE) & ~(DWORD)WHDR_DONE);
    m_queue.push_back(pwh);
  }
  port->QueueChanged();
  return MMSYSERR_NOERROR;
}

void Device::SetRunning(bool bRunning) {
  std::vector<WAVEHDR *> done;
  {
    Guard hold(m_lock);
    m_running = bRunning;
    if (input && !bRunning && !m_queue.empty() && m_queue.front()->dwBytesRecorded > 0) {
      Complete(m_queue.front(), &done);
      m_queue.pop_front();
    }
  }
  Post(done);
  if (!input) port->RunningChanged(bRunning);
}

void Device::Reset() {
  std::vector<WAVEHDR *> done;
  {
    Guard hold(m_lock);
    CompleteAll(&done);
    m_running = !input;
  }
  Post(done);
  if (!input) port->RunningChanged(true);
  port->QueueChanged();
}

bool Device::BeginClose() {
  Guard hold(m_lock);
  if (!m_queue.empty()) return false;
  m_closing = true;
  return true;
}

std::shared_ptr<Device> FindDevice(void *handle, bool bInput) {
  Guard hold(g_registryLock);
  auto it = g_devices.find(handle);
  if (it == g_devices.end() || it->second->input != bInput) return nullptr;
  return it->second;
}

std::string HandleName(const void *handle) {
  if (!handle) return "NULL";
  uintptr_t v = (uintptr_t)handle;
  if (v <= kHandleBase || (v - kHandleBase) % kHandleStep) return "bad";
  return "h" + std::to_string((v - kHandleBase) / kHandleStep);
}

/* Opens device id for the format after the checks every open shares. The
 * window of a CALLBACK_WINDOW open gets the OPEN notification at once. */
static MMRESULT OpenOne(bool bInput, void **phandle, UINT id, const WAVEFORMATEX &wfx,
                        HWND hwndNotify, bool bQuery) {
  Backend &backend = Current();
  MMRESULT r = backend.Query(bInput, id, wfx);
  if (r != MMSYSERR_NOERROR || bQuery) return r;
  auto dev = std::make_shared<Device>(bInput, wfx, hwndNotify);
  r = backend.Open(bInput, id, wfx, dev.get(), &dev->port);
  if (r != MMSYSERR_NOERROR) return r;
  {
    Guard hold(g_registryLock);
    g_nextHandle += kHandleStep;
    dev->handle = (void *)g_nextHandle;
    g_devices[dev->handle] = dev;
  }
  *phandle = dev->handle;
  if (hwndNotify) PostMessageW(hwndNotify, bInput ? MM_WIM_OPEN : MM_WOM_OPEN, (WPARAM)dev->handle, 0);
  return MMSYSERR_NOERROR;
}

MMRESULT OpenDevice(bool bInput, void **phandle, UINT id, const WAVEFORMATEX *pwfx,
                    DWORD_PTR dwCallback, DWORD fdwOpen) {
  if (phandle) *phandle = nullptr;
  if (fdwOpen & ~(DWORD)(WAVE_FORMAT_QUERY | CALLBACK_TYPEMASK)) return MMSYSERR_INVALFLAG;
  DWORD dwType = fdwOpen & CALLBACK_TYPEMASK;
  if (dwType != CALLBACK_NULL && dwType != CALLBACK_WINDOW) return MMSYSERR_NOTSUPPORTED;
  bool bQuery = (fdwOpen & WAVE_FORMAT_QUERY) != 0;
  if (!pwfx || (!bQuery && !phandle)) return MMSYSERR_INVALPARAM;
  UINT nDevices = Current().Devices(bInput);
  if (nDevices == 0) return MMSYSERR_NODRIVER;
  if (id != WAVE_MAPPER && id >= nDevices) return MMSYSERR_BADDEVICEID;
  if (!ConsistentPcm(*pwfx)) return WAVERR_BADFORMAT;
  HWND hwndNotify = dwType == CALLBACK_WINDOW ? (HWND)dwCallback : nullptr;
  if (id != WAVE_MAPPER) return OpenOne(bInput, phandle, id, *pwfx, hwndNotify, bQuery);

  MMRESULT r = WAVERR_BADFORMAT;
  for (UINT i = 0; i < nDevices; i++) {
    r = OpenOne(bInput, phandle, i, *pwfx, hwndNotify, bQuery);
    if (r == MMSYSERR_NOERROR) break;
  }
  return r;
}

MMRESULT CloseDevice(void *handle, bool bInput) {
  std::shared_ptr<Device> dev = FindDevice(handle, bInput);
  if (!dev) return MMSYSERR_INVALHANDLE;
  if (!dev->BeginClose()) return WAVERR_STILLPLAYING;
  {
    Guard hold(g_registryLock);
    g_devices.erase(handle);
  }
  dev->port.reset();
  if (dev->notify) PostMessageW(dev->notify, bInput ? MM_WIM_CLOSE : MM_WOM_CLOSE, (WPARAM)handle, 0);
  return MMSYSERR_NOERROR;
}

}  // namespace plat::wave
