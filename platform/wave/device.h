/*
 * wave/device.h - the device core behind waveOut* and waveIn*: one Device per
 * open handle, found through a registry of live handles.
 *
 * Locking: each device has one lock that guards its queue, its play position
 * and the flags of its queued headers. The backend's thread takes it for every
 * Transfer; the API functions take it for every change. Notifications are
 * posted after it is released. Samples are never locked: the output side reads
 * them with relaxed atomic loads, so the owner may rewrite a block in place.
 */
#ifndef TONBROOK_PLATFORM_WAVE_DEVICE_H
#define TONBROOK_PLATFORM_WAVE_DEVICE_H

#include <deque>
#include <memory>
#include <vector>

#include "kernel/lock.h"
#include "wave/wave.h"

namespace plat::wave {

class Device : public Stream {
 public:
  Device(bool bInput, const WAVEFORMATEX &wfx, HWND hwndNotify);

  void Transfer(BYTE *pb, size_t cb) override;
  void Lost() override;
  void JumpToLastPass() override;
  DWORD LoopPass() override;
  bool Queued() override;

  MMRESULT Prepare(WAVEHDR *pwh);
  MMRESULT Unprepare(WAVEHDR *pwh);
  /* Queues a header (waveOutWrite, waveInAddBuffer). */
  MMRESULT Queue(WAVEHDR *pwh);
  /* Output: pause and restart. Input: start and stop. */
  void SetRunning(bool bRunning);
  /* Returns every queued header done; the output plays what comes next. */
  void Reset();
  /* False while headers are queued; otherwise the device takes no more. */
  bool BeginClose();

  const bool input;
  const WAVEFORMATEX wfx;
  const HWND notify;
  void *handle = nullptr;
  std::unique_ptr<Port> port;

 private:
  void Play(BYTE *pb, size_t cb);
  void Record(const BYTE *pb, size_t cb);
  /* Marks pwh done and adds it to *done (lock held). */
  void Complete(WAVEHDR *pwh, std::vector<WAVEHDR *> *done);
  void CompleteAll(std::vector<WAVEHDR *> *done);
  void Post(const std::vector<WAVEHDR *> &done);
  size_t Playable(const WAVEHDR *pwh) const;

  Mutex m_lock;
  std::deque<WAVEHDR *> m_queue;
  size_t m_pos = 0;     /* header playing, an index into m_queue */
  size_t m_offset = 0;  /* bytes of it played or recorded */
  bool m_inLoop = false;
  DWORD m_loopsLeft = 0;  /* passes left, the one under way included */
  DWORD m_pass = 0;
  size_t m_passBytes = 0;
  bool m_running;  /* output: not paused; input: started */
  bool m_lost = false;
  bool m_closing = false;
  std::vector<WAVEHDR *> m_transferDone; /* used by Transfer alone */
};

/* Header flags, which the owner reads while the device's thread sets them. */
DWORD LoadFlags(const WAVEHDR *pwh);
void StoreFlags(WAVEHDR *pwh, DWORD dwFlags);

/* Opens (or with WAVE_FORMAT_QUERY asks) a device, as waveOutOpen and
 * waveInOpen do. */
MMRESULT OpenDevice(bool bInput, void **phandle, UINT id, const WAVEFORMATEX *pwfx,
                    DWORD_PTR dwCallback, DWORD fdwOpen);

/* The device behind an open handle of that direction, or null. */
std::shared_ptr<Device> FindDevice(void *handle, bool bInput);

/* Closes an open handle: WAVERR_STILLPLAYING while buffers are queued. */
MMRESULT CloseDevice(void *handle, bool bInput);

/* A short name of a handle for the call log: h1, h2, ... or NULL. */
std::string HandleName(const void *handle);

}  // namespace plat::wave

#endif
