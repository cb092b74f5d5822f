#include "play.h"

#include <errno.h>
#include <signal.h>
#include <time.h>

#include "sound.h"
#include "synth.h"

namespace cli {

namespace {

volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

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

// Catches SIGINT and SIGTERM for the time of the play and restores the
// handlers that were there before.
class StopSignals {
 public:
  StopSignals() {
    g_stopRequested = 0;
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &oldInt_);
    sigaction(SIGTERM, &sa, &oldTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }

 private:
  struct sigaction oldInt_ {}, oldTerm_ {};
};

}  // namespace

bool Play(const Options &opt, std::string *error) {
  if (!SoundInit(TRUE, FALSE, opt.rate, opt.length, NULL)) {
    SoundShutdown();
    *error = "no audio output device takes 16-bit mono PCM at " + std::to_string(opt.rate) + " Hz";
    return false;
  }
  GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  StopSignals signals;
  if (SoundStartPlayback() != 0) {
    SoundStopPlayback();
    SoundShutdown();
    *error = "unable to start playback";
    return false;
  }

  // As the program's refresh timer does: noise is rendered afresh every
  // period, seeded with the tick count of that moment.
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  const double period = g_GenParams.nTimerMs / 1000.0;
  while (!g_stopRequested) {
    double left = opt.seconds ? *opt.seconds - Elapsed(start) : period;
    if (left <= 0) break;
    Nap(left < period ? left : period);
    if (!g_stopRequested && IsNoise(opt.waveform)) GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  }

  SoundStopPlayback();
  SoundShutdown();
  return true;
}

}  // namespace cli
