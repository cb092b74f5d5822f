/*
 * wave/wave.h - the inside of the waveform audio services.
 *
 * The device core (device.cpp) owns every open device: its handle, its queue
 * of headers, the WAVEHDR flag life cycle, looping, pause and reset, and the
 * notifications. A backend is a small table of operations that finds and
 * opens the machine's devices; an open backend device moves the bytes by
 * calling its Stream from the backend's own thread (or a virtual clock).
 *
 * Choosing a backend: UseBackend() installs one (tests install the scripted
 * backend of wave/scripted.h). Otherwise TONBROOK_WAVE picks it: "null" for
 * no devices, anything else (or nothing) for the machine's own: SDL on the
 * desktop (wave/sdl.cpp), the page's AudioWorklet in the browser
 * (wave/web.cpp).
 */
#ifndef TONBROOK_PLATFORM_WAVE_H
#define TONBROOK_PLATFORM_WAVE_H

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace plat::wave {

/* The core's side of an open device, called by the backend. */
class Stream {
 public:
  virtual ~Stream() = default;
  /* Output: fills cb bytes with what the device plays next (silence while
   * paused or empty), reading the callers' blocks in place. Input: stores cb
   * recorded bytes into the queued buffers. */
  virtual void Transfer(BYTE *pb, size_t cb) = 0;
  /* The machine's device went away: every queued buffer is returned done
   * and later writes fail with MMSYSERR_NODRIVER. */
  virtual void Lost() = 0;
  /* Output, for a virtual clock: makes the pass in progress the loop's
   * last, as if the passes before it had been played. */
  virtual void JumpToLastPass() = 0;
  /* Output: the pass of the current loop under way, from 1; 0 when no loop
   * plays. */
  virtual DWORD LoopPass() = 0;
  /* Output: true while headers are queued, whether playing or paused. */
  virtual bool Queued() = 0;
};

/* An open backend device. Destroying it closes the device; once the
 * destructor has returned its Stream is not called again. */
class Port {
 public:
  virtual ~Port() = default;
  /* Asked before a header is queued: a backend may refuse it with an error
   * code. Never called with the core's lock held. */
  virtual MMRESULT Accept(const WAVEHDR &) { return MMSYSERR_NOERROR; }
  /* Told after a header was queued or the queue was emptied by a reset, so
   * that a backend can take or let go of the machine's device. Never called
   * with the core's lock held. */
  virtual void QueueChanged() {}
  /* Output: told after the device was paused (waveOutPause) or went on
   * (waveOutRestart, or a reset, which restarts it), for a backend that
   * plays the queued block by itself and so must hold it while paused.
   * Never called with the core's lock held. */
  virtual void RunningChanged(bool) {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual UINT Devices(bool bInput) = 0;
  /* The name of device id (below Devices), in UTF-8. */
  virtual std::string Name(bool bInput, UINT id) = 0;
  /* 0 when device id (below Devices) takes the format, else an error code;
   * the core has already checked that the format is consistent PCM. */
  virtual MMRESULT Query(bool bInput, UINT id, const WAVEFORMATEX &wfx) = 0;
  /* Opens device id; on success *port is set and stream is called from then
   * on until the port is destroyed. */
  virtual MMRESULT Open(bool bInput, UINT id, const WAVEFORMATEX &wfx, Stream *stream,
                        std::unique_ptr<Port> *port) = 0;
  /* Receives one line for every call of the services, with its arguments and
   * result, when the backend keeps a log. */
  virtual bool KeepsCallLog() { return false; }
  virtual void LogCall(std::string) {}
};

/* The backend in use: the installed one, else the one TONBROOK_WAVE names. */
Backend &Current();

/* Installs backend (not owned; it must outlive every device it opens);
 * nullptr goes back to the one TONBROOK_WAVE names. */
void UseBackend(Backend *backend);

/* The built-in backends: the machine's own (on the desktop SDL's, which
 * SdlBackend also gives), and none. */
Backend &MachineBackend();
Backend &SdlBackend();
Backend &NullBackend();

/* The sound system's own messages: the line that says why no output opens,
 * and what SDL itself logs (its disk driver announces itself, for one).
 * Each is one line without its newline, ours beginning with the program's
 * name. Without a sink they go to standard error; a sink gets them instead,
 * one at a time, on whatever thread said them, and must not call these
 * services.
 * SetMessageSink returns the sink it replaces; an empty one restores
 * standard error. */
using MessageSink = std::function<void(const std::string &line)>;
MessageSink SetMessageSink(MessageSink sink);

/* Says one message of the sound system: bOurs for the platform's own line,
 * which is put after the program's name. */
void Say(const std::string &line, bool bOurs);

}  // namespace plat::wave

#endif
