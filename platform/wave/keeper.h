/*
 * wave/keeper.h - the built-in output: a device that never goes away, over a
 * machine output that may.
 *
 * The Keeper is the Port of such a device. It connects to the machine's
 * output (through a Link) only while headers are queued and lets it go when
 * the queue is empty. While headers are queued and the output is gone (a
 * sound server restarting, hardware unplugged) it plays the device on the
 * clock, so that a loop keeps its place and notifications keep coming, and
 * it connects again about once a second.
 */
#ifndef TONBROOK_PLATFORM_WAVE_KEEPER_H
#define TONBROOK_PLATFORM_WAVE_KEEPER_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "wave/wave.h"

namespace plat::wave {

class Keeper;

/* The machine's output as a backend reaches it. */
class Link {
 public:
  virtual ~Link() = default;
  /* Connects to the output as it is now; from then on the output calls
   * stream->Transfer for every period, and keeper->Wake when it goes away.
   * False when there is no output. */
  virtual bool Connect(Stream *stream, Keeper *keeper) = 0;
  /* Ends the connection; Transfer is not called once it returns. */
  virtual void Disconnect() = 0;
  /* False once the connected output has gone. */
  virtual bool Alive() = 0;
  /* Called on the keeper's own thread as it ends, to free what the backend
   * keeps for each thread. */
  virtual void ThreadEnds() {}
};

class Keeper : public Port {
 public:
  /* With bThread, a thread of the keeper's own calls Step on the steady
   * clock whenever it is due or woken; without, the owner calls Step. */
  Keeper(Stream *stream, DWORD nRate, WORD nBlockAlign, std::unique_ptr<Link> link, bool bThread);
  ~Keeper() override;

  void QueueChanged() override { Wake(); }
  /* Asks for a Step soon, from any thread. */
  void Wake();
  /* One look at the queue and the output at time nNow, in frames of the
   * device's rate: connects, lets go or plays the clock on as needed.
   * Returns the time of the next look, or nothing when only a Wake needs one. */
  std::optional<uint64_t> Step(uint64_t nNow);
  /* True while the output is connected; for the caller of Step. */
  bool Connected() const { return m_connected; }

 private:
  void Run();
  void Elapse(uint64_t nNow);

  Stream *const m_stream;
  const DWORD m_rate;
  const WORD m_blockAlign;
  std::unique_ptr<Link> m_link;

  /* Used by Step alone. */
  bool m_connected = false;
  bool m_keepingTime = false;
  uint64_t m_nextTry = 0;
  uint64_t m_since = 0;
  uint64_t m_elapsed = 0;
  std::vector<BYTE> m_scratch;

  std::mutex m_lock; /* the two flags below */
  std::condition_variable m_wake;
  bool m_woken = false;
  bool m_quit = false;
  std::thread m_thread;
};

}  // namespace plat::wave

#endif
