/*
 * The browser's wave backend: one output, the page's AudioWorklet (see
 * web/worklet.js), which plays a block of 16-bit mono samples at 44100 Hz
 * round and round, reading the block the program rewrites in place (the
 * page posts the samples again when they changed). The device exists
 * wherever the browser has Web Audio; the page starts its audio at the
 * first tap, and until it can it plays silently. No input devices.
 *
 * The worklet plays one block at a time: the first queued header, from
 * when it is queued until the queue is empty again; a second header is
 * refused while one is queued. The device core follows what the worklet
 * played: each pass the worklet reports moves the core on by the block,
 * which counts the loop's passes and returns the header done when they are
 * over, and then the worklet stops. While the device is paused the worklet
 * holds its place in silence, and a pass it reported just before the pause
 * moves the core on at the restart, as it would have played it.
 */
#include <vector>

#include "wave/wave.h"

#define TONBROOK_IMPORT(name) __attribute__((import_module("tonbrook"), import_name(name)))
#define TONBROOK_EXPORT(name) __attribute__((export_name(name)))

extern "C" {
TONBROOK_IMPORT("wave_open") int TonbrookWaveOpen();
TONBROOK_IMPORT("wave_play") void TonbrookWavePlay(const void *samples, size_t bytes, int running);
TONBROOK_IMPORT("wave_run") void TonbrookWaveRun(int running);
TONBROOK_IMPORT("wave_stop") void TonbrookWaveStop();
}

namespace plat::wave {
namespace {

constexpr DWORD kRate = 44100;

class PagePort;
/* The port whose block the worklet plays, or null. */
PagePort *s_playing = nullptr;

class PagePort : public Port {
 public:
  explicit PagePort(Stream *stream) : m_stream(stream) {}
  ~PagePort() override { Stop(); }

  MMRESULT Accept(const WAVEHDR &wh) override {
    if (m_stream->Queued()) return MMSYSERR_NOTSUPPORTED;
    m_data = wh.lpData;
    m_bytes = wh.dwBufferLength & ~(DWORD)1;
    return MMSYSERR_NOERROR;
  }

  void QueueChanged() override {
    if (!m_stream->Queued()) {
      Stop();
    } else if (s_playing != this) {
      if (s_playing) s_playing->Stop();
      s_playing = this;
      m_passes = m_reported = 0;
      TonbrookWavePlay(m_data, m_bytes, m_running);
    }
  }

  /* The worklet holds the block while the device is paused; on the restart
   * the passes it reported meanwhile move the core on. */
  void RunningChanged(bool running) override {
    m_running = running;
    if (s_playing != this) return;
    if (running) Played(m_reported);
    if (m_stream->Queued()) TonbrookWaveRun(running);
  }

  /* The worklet has played passes of the block since it started it; they
   * wait while the device is paused. */
  void Played(int passes) {
    m_reported = passes;
    if (!m_running) return;
    for (; m_passes < passes && m_stream->Queued(); m_passes++) {
      m_scratch.resize(m_bytes);
      m_stream->Transfer(m_scratch.data(), m_scratch.size());
    }
    if (!m_stream->Queued()) Stop();
  }

 private:
  void Stop() {
    if (s_playing != this) return;
    s_playing = nullptr;
    TonbrookWaveStop();
  }

  Stream *const m_stream;
  const char *m_data = nullptr;
  size_t m_bytes = 0;
  int m_passes = 0;    /* passes the core has been moved on by */
  int m_reported = 0;  /* passes the worklet has reported */
  bool m_running = true;
  std::vector<BYTE> m_scratch;
};

class Page : public Backend {
 public:
  UINT Devices(bool bInput) override {
    if (bInput) return 0;
    if (m_audio < 0) m_audio = TonbrookWaveOpen() ? 1 : 0;
    return (UINT)m_audio;
  }

  std::string Name(bool, UINT) override { return "Web Audio"; }

  MMRESULT Query(bool bInput, UINT, const WAVEFORMATEX &wfx) override {
    if (bInput) return MMSYSERR_BADDEVICEID;
    bool ok = wfx.nChannels == 1 && wfx.wBitsPerSample == 16 && wfx.nSamplesPerSec == kRate;
    return ok ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
  }

  MMRESULT Open(bool bInput, UINT, const WAVEFORMATEX &, Stream *stream, std::unique_ptr<Port> *port) override {
    if (bInput) return MMSYSERR_BADDEVICEID;
    *port = std::make_unique<PagePort>(stream);
    return MMSYSERR_NOERROR;
  }

 private:
  int m_audio = -1;
};

}  // namespace

Backend &MachineBackend() {
  static Page page;
  return page;
}

}  // namespace plat::wave

/* The page's worklet has played the block round passes times since it was
 * given it. */
extern "C" TONBROOK_EXPORT("tonbrook_wave_passes") void TonbrookWavePasses(int passes) {
  if (plat::wave::s_playing) plat::wave::s_playing->Played(passes);
}
