#include "play.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>

#include <atomic>
#include <iterator>
#include <vector>

#include <mmsystem.h>

#include "devices.h"
#include "loop_buffer.h"
#include "sound.h"
#include "synth.h"

namespace cli {

namespace {

// The signal that asked playing to stop; 0 while none has.
volatile sig_atomic_t s_stopSignal = 0;

void OnStopSignal(int sig) { s_stopSignal = sig; }

double Seconds(const timespec &t) { return (double)t.tv_sec + (double)t.tv_nsec / 1e9; }

double Elapsed(const timespec &start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return Seconds(now) - Seconds(start);
}

// Sleeps for s seconds or until a signal arrives.
void Nap(double s) {
  timespec t{(time_t)s, (long)((s - (double)(time_t)s) * 1e9)};
  clock_nanosleep(CLOCK_MONOTONIC, 0, &t, nullptr);
}

// Catches SIGINT, SIGTERM and SIGHUP for the time of the play, unless the
// program started with them ignored (nohup), and restores the handlers
// that were there before.
class StopSignals {
 public:
  StopSignals() {
    s_stopSignal = 0;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); i++) {
      sigaction(kSignals[i], nullptr, &m_old[i]);
      if (m_old[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &sa, nullptr);
    }
  }
  ~StopSignals() {
    for (size_t i = 0; i < std::size(kSignals); i++) sigaction(kSignals[i], &m_old[i], nullptr);
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction m_old[std::size(kSignals)] {};
};

// Passes of the loop one header plays, as the engine asks for.
constexpr DWORD kLoops = SOUND_LOOP_COUNT;

// The longest nap between two looks at the device: well below the shortest
// time one header's loop lasts (a million one-sample passes at 384 kHz).
constexpr double kMaxNap = 0.25;

/* Keeps a loop playing without end: besides the header that plays it, a
 * second header of the same samples waits behind it, and whichever comes
 * back done is written again behind the other, so the device always has a
 * loop queued. */
class EndlessLoop {
 public:
  EndlessLoop(HWAVEOUT hwo, WAVEHDR *playing) : m_hwo(hwo), m_playing(playing) {
    m_relay.lpData = playing->lpData;
    m_relay.dwBufferLength = playing->dwBufferLength;
    m_relay.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    m_relay.dwLoops = kLoops;
    m_prepared = waveOutPrepareHeader(m_hwo, &m_relay, sizeof m_relay) == MMSYSERR_NOERROR;
    if (m_prepared) waveOutWrite(m_hwo, &m_relay, sizeof m_relay);
  }
  // Call after the device was reset, so that nothing is queued.
  ~EndlessLoop() {
    if (m_prepared) waveOutUnprepareHeader(m_hwo, &m_relay, sizeof m_relay);
  }
  EndlessLoop(const EndlessLoop &) = delete;
  EndlessLoop &operator=(const EndlessLoop &) = delete;

  /* Writes again each header that came back done. The device's error when
   * it refuses one (it went away), else MMSYSERR_NOERROR. */
  MMRESULT Requeue() {
    for (WAVEHDR *pwh : {m_playing, &m_relay}) {
      DWORD flags = std::atomic_ref<DWORD>(pwh->dwFlags).load(std::memory_order_acquire);
      if (!(flags & WHDR_DONE) || !(flags & WHDR_PREPARED)) continue;
      MMRESULT r = waveOutWrite(m_hwo, pwh, sizeof *pwh);
      if (r != MMSYSERR_NOERROR) return r;
    }
    return MMSYSERR_NOERROR;
  }

 private:
  HWAVEOUT m_hwo;
  WAVEHDR *m_playing;
  WAVEHDR m_relay{};
  bool m_prepared = false;
};

// Plays until opt.seconds have passed or a stop signal arrives, keeping
// loop queued; noise is rendered afresh every timer period, as the
// program's refresh timer does, and handed to refresh. Returns the device's
// error when it refused the loop back (it went away), else MMSYSERR_NOERROR.
template <typename Refresh>
MMRESULT PlayFor(const Options &opt, EndlessLoop &loop, Refresh refresh) {
  timespec start, lastRefresh;
  clock_gettime(CLOCK_MONOTONIC, &start);
  lastRefresh = start;
  const double period = g_GenParams.nTimerMs / 1000.0;
  const double nap = period < kMaxNap ? period : kMaxNap;
  while (!s_stopSignal) {
    double left = opt.seconds ? *opt.seconds - Elapsed(start) : nap;
    if (left <= 0) break;
    Nap(left < nap ? left : nap);
    if (MMRESULT r = loop.Requeue(); r != MMSYSERR_NOERROR) return r;
    if (Elapsed(lastRefresh) < period) continue;
    clock_gettime(CLOCK_MONOTONIC, &lastRefresh);
    if (!s_stopSignal && IsNoise(opt.waveform)) {
      GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
      refresh();
    }
  }
  return MMSYSERR_NOERROR;
}

// Copies the shaped loop buffer into the playing block in place, sample by
// sample, as the device reads it.
void Refill(const Shaper &shaper, std::vector<int16_t> &shaped, std::vector<int16_t> &playing) {
  shaper.Shape((const int16_t *)g_pOutData[0], (size_t)g_nBufferSamples, shaped.data());
  for (size_t i = 0; i < playing.size(); i++)
    std::atomic_ref<int16_t>(playing[i]).store(shaped[i], std::memory_order_relaxed);
}

std::string DeviceError(const char *what, UINT id, MMRESULT r, const char *when = "") {
  return std::string(what) + " output device " + std::to_string(id) + when + " (error " + std::to_string(r) + ")";
}

}  // namespace

int StopSignal() { return s_stopSignal; }

bool UsesEngine(const Options &opt) { return !opt.device && opt.channels == 1 && opt.gainDb == 0.0; }

bool PlayOnDevice(const Options &opt, UINT id, std::string *error) {
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = (WORD)opt.channels;
  wfx.nSamplesPerSec = (DWORD)opt.rate;
  wfx.wBitsPerSample = 16;
  wfx.nBlockAlign = (WORD)(2 * opt.channels);
  wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
  HWAVEOUT hwo = NULL;
  SoundMessages messages;
  MMRESULT r = waveOutOpen(&hwo, id, &wfx, 0, 0, CALLBACK_NULL);
  std::string said = messages.Take();
  if (r != MMSYSERR_NOERROR) {
    *error = "no audio output device takes 16-bit " + std::string(opt.channels == 2 ? "stereo" : "mono") +
             " PCM at " + std::to_string(opt.rate) + " Hz" + AsReason(said);
    return false;
  }
  if (!opt.quiet) fputs(said.c_str(), stderr);
  if (!AttachLoopBuffer(opt)) {
    waveOutClose(hwo);
    *error = "out of memory for the loop buffer";
    return false;
  }
  Shaper shaper(opt);
  std::vector<int16_t> shaped((size_t)opt.length * opt.channels), playing(shaped.size());
  GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  Refill(shaper, shaped, playing);

  WAVEHDR hdr{};
  hdr.lpData = (LPSTR)playing.data();
  hdr.dwBufferLength = (DWORD)(playing.size() * sizeof(int16_t));
  hdr.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  hdr.dwLoops = kLoops;
  StopSignals signals;
  r = waveOutPrepareHeader(hwo, &hdr, sizeof hdr);
  if (r == MMSYSERR_NOERROR) r = waveOutWrite(hwo, &hdr, sizeof hdr);
  MMRESULT lost = MMSYSERR_NOERROR;
  if (r == MMSYSERR_NOERROR) {
    EndlessLoop loop(hwo, &hdr);
    lost = PlayFor(opt, loop, [&] { Refill(shaper, shaped, playing); });
    waveOutReset(hwo);
  }
  waveOutUnprepareHeader(hwo, &hdr, sizeof hdr);
  waveOutClose(hwo);
  DetachLoopBuffer();
  if (r != MMSYSERR_NOERROR) *error = DeviceError("unable to play on", id, r);
  if (lost != MMSYSERR_NOERROR) *error = DeviceError("lost", id, lost, " while playing");
  return r == MMSYSERR_NOERROR && lost == MMSYSERR_NOERROR;
}

bool Play(const Options &opt, std::string *error) {
  SoundMessages messages;
  bool opened = SoundInit(TRUE, FALSE, opt.rate, opt.length, NULL);
  std::string said = messages.Take();
  if (!opened) {
    SoundShutdown();
    *error = "no audio output device takes 16-bit mono PCM at " + std::to_string(opt.rate) + " Hz" + AsReason(said);
    return false;
  }
  if (!opt.quiet) fputs(said.c_str(), stderr);
  GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  StopSignals signals;
  if (SoundStartPlayback() != 0) {
    SoundStopPlayback();
    SoundShutdown();
    *error = "unable to start playback";
    return false;
  }

  // The engine's device reads the loop buffer in place; the default output
  // outlives the audio server, so its loop is not refused.
  MMRESULT lost;
  {
    EndlessLoop loop(g_hWaveOut, g_pOutHdr[0]);
    lost = PlayFor(opt, loop, [] {});
    SoundStopPlayback();
  }
  SoundShutdown();
  if (lost != MMSYSERR_NOERROR)
    *error = "lost the default output device while playing (error " + std::to_string(lost) + ")";
  return lost == MMSYSERR_NOERROR;
}

}  // namespace cli
