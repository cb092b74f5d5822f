/*
 * wave/scripted.h - the scripted backend for tests.
 *
 * It has as many devices as the test lists, each of which accepts the format
 * or not and fails its next opens (or every open) with a given code; it can
 * refuse chosen writes; it logs every call of the waveform services with its
 * arguments and result; and its virtual clock plays the queued buffers of
 * every open output device into a recording (and feeds the capture devices a
 * counting signal), on the test's thread or on a clock thread of its own.
 * A built-in output's Keeper runs on that clock too, which counts frames.
 */
#ifndef TONBROOK_PLATFORM_WAVE_SCRIPTED_H
#define TONBROOK_PLATFORM_WAVE_SCRIPTED_H

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "wave/keeper.h"

namespace plat::wave {

class ScriptedBackend : public Backend {
 public:
  struct DeviceScript {
    bool bAccepts = true;   /* answers 0 to every consistent PCM format */
    int nOpensToFail = 0;   /* the next n opens fail; -1: every open */
    MMRESULT openError = MMSYSERR_ALLOCATED;
    std::string name = "Scripted device";
    /* Output: a built-in device, whose output may go away (Drop) and come
     * back (Restore) while the device keeps its state (wave/keeper.h). */
    bool bBuiltIn = false;
  };

  /* Installs itself as the backend with one output and one input device. */
  ScriptedBackend();
  /* Stops the clock thread and restores the backend TONBROOK_WAVE names. */
  ~ScriptedBackend() override;

  /* The device lists; change them before the calls they should affect. */
  std::vector<DeviceScript> outputs{1};
  std::vector<DeviceScript> inputs{1};

  /* Refuses the n-th write or add from now on (counted from 1) with error. */
  void RefuseWrite(int n, MMRESULT error = MMSYSERR_NOMEM);

  /* The calls made so far, one line each, e.g.
   * "waveOutOpen(&h, 0, 44100/16/1, 0x0, 0x0) = 0 -> h3". */
  std::vector<std::string> Calls();
  void ClearCalls();

  /* Plays nFrames on every open output device and records as many frames on
   * every open input device, whose bytes count up from 0 as the clock runs. */
  void Advance(size_t nFrames);
  /* Makes the loop under way on every open output device reach its last
   * pass at once. */
  void JumpToLastPass();
  /* Output device id goes away, as when its hardware is unplugged. */
  void Unplug(UINT id);
  /* The output of built-in device id goes away, as when the desktop's sound
   * server ends, and comes back. */
  void Drop(UINT id);
  void Restore(UINT id);
  /* True while built-in device id holds its output. */
  bool Holding(UINT id);
  /* The pass of the loop under way on the output device opened as id. */
  DWORD LoopPass(UINT id);
  /* Everything output device id has played since the backend was made, as
   * 16-bit samples (with 16-bit formats). */
  std::vector<int16_t> Played(UINT id);
  size_t PlayedSamples(UINT id);

  /* Runs the clock on a thread of its own, nFrames per step, until
   * StopClock. */
  void StartClock(size_t nFrames);
  void StopClock();

  UINT Devices(bool bInput) override;
  std::string Name(bool bInput, UINT id) override;
  MMRESULT Query(bool bInput, UINT id, const WAVEFORMATEX &wfx) override;
  MMRESULT Open(bool bInput, UINT id, const WAVEFORMATEX &wfx, Stream *stream,
                std::unique_ptr<Port> *port) override;
  bool KeepsCallLog() override { return true; }
  void LogCall(std::string line) override;

 private:
  class ScriptedPort;
  class BuiltInPort;
  class BuiltInLink;
  struct Open_ {
    Port *port;
    bool bInput;
    UINT id;
    Stream *stream;
    WORD nBlockAlign;
    Keeper *keeper; /* a built-in device's, else null */
  };

  void Forget(const Port *port);
  bool Dropped(UINT id);

  MMRESULT AcceptWrite();

  std::mutex m_scriptLock; /* the log, the write count and the dropped outputs */
  std::vector<std::string> m_calls;
  int m_nWrites = 0;
  std::set<int> m_refused;
  MMRESULT m_refusedError = MMSYSERR_NOMEM;
  std::set<UINT> m_dropped;

  std::mutex m_clockLock; /* the open devices and their recordings */
  std::vector<Open_> m_open;
  std::vector<std::vector<BYTE>> m_played;
  uint64_t m_nRecorded = 0;

  std::thread m_clock;
  std::mutex m_runLock;
  bool m_bRun = false;
};

}  // namespace plat::wave

#endif
