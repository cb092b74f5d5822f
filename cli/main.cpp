/*
 * tonbrook-render: renders Tonbrook's signals without the window, exactly as
 * the program puts them in its loop buffer, and writes them as a WAV or raw
 * file, or plays them through the sound engine.
 */
#include <stdio.h>

#include <cmath>
#include <string>
#include <vector>

#include "kernel/kernel.h"
#include "options.h"
#include "output.h"
#include "play.h"
#include "signal_stats.h"
#include "sound.h"
#include "synth.h"

namespace {

int UsageError(const std::string &fault) {
  fprintf(stderr, "tonbrook-render: %s\n%s", fault.c_str(), cli::Usage());
  return 2;
}

int RuntimeError(const std::string &fault) {
  fprintf(stderr, "tonbrook-render: %s\n", fault.c_str());
  return 1;
}

// Sets the generator parameters and snaps the frequency for them.
void SetParams(const cli::Options &opt) {
  g_GenParams.nSampleRate = opt.rate;
  g_GenParams.nBufferLen = opt.length;
  g_GenParams.fFrequency = opt.requestedHz;
  SnapFrequency();
}

// Puts one zero-filled loop buffer in the engine's table, as the engine's
// initialisation does, and snaps the frequency for it.
bool AttachLoopBuffer(const cli::Options &opt) {
  SetParams(opt);

  g_AudioFormat.nSamplesPerSec = (DWORD)opt.rate;
  g_nBufferSamples = opt.length;
  g_cbOutBuffer = (g_AudioFormat.nBitsPerSample >> 3) * (DWORD)opt.length;
  g_cbInBuffer = g_cbOutBuffer;
  g_pOutData[0] = (SHORT *)LocalAlloc(LPTR, g_cbOutBuffer);
  g_nOutBuffers = g_pOutData[0] ? 1 : 0;
  return g_pOutData[0] != NULL;
}

void DetachLoopBuffer() {
  LocalFree(g_pOutData[0]);
  g_pOutData[0] = NULL;
  g_nOutBuffers = 0;
}

uint64_t TotalSamples(const cli::Options &opt) {
  if (!opt.seconds) return (uint64_t)opt.length;
  long long n = std::llround(*opt.seconds * opt.rate);
  return n < 1 ? 1 : (uint64_t)n;
}

// Renders the loop buffer for pass p. Periodic signals are the same on every
// pass; noise is rendered afresh, seeded with the tick at that pass.
void RenderPass(const cli::Options &opt, uint64_t pass, DWORD firstTick) {
  if (pass > 0 && !cli::IsNoise(opt.waveform)) return;
  DWORD tick = firstTick + (DWORD)(pass * (uint64_t)opt.length * 1000u / (uint64_t)opt.rate);
  plat::SetTickSource([tick] { return tick; });
  GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  plat::SetTickSource(nullptr);
}

void ReportSignal(const cli::Options &opt) {
  float snapped = g_GenParams.fFrequency;
  long cycles = std::lround((double)snapped * opt.length / opt.rate);
  const char *unused = cli::IsPeriodic(opt.waveform) ? "" : " (not used by this waveform)";
  fprintf(stderr, "waveform:  %s\n", opt.waveformName.c_str());
  fprintf(stderr, "frequency: %g Hz requested, %s Hz snapped%s\n", (double)opt.requestedHz,
          cli::FormatHz(snapped).c_str(), unused);
  fprintf(stderr, "cycles:    %ld per buffer of %d samples at %d Hz\n", cycles, opt.length, opt.rate);
}

void Report(const cli::Options &opt, const cli::SignalStats &stats) {
  ReportSignal(opt);
  fprintf(stderr, "length:    %llu samples (%.3f s)\n", (unsigned long long)stats.Count(),
          (double)stats.Count() / opt.rate);
  fprintf(stderr, "peak:      %s (%d)\n", cli::FormatDbfs(stats.PeakDbfs()).c_str(), stats.Peak());
  fprintf(stderr, "rms:       %s\n", cli::FormatDbfs(stats.RmsDbfs()).c_str());
}

int RunPlay(const cli::Options &opt) {
  SetParams(opt);
  if (!opt.quiet) {
    ReportSignal(opt);
    if (opt.seconds)
      fprintf(stderr, "playing:   %g s on the default output device\n", *opt.seconds);
    else
      fprintf(stderr, "playing:   on the default output device until Ctrl+C\n");
  }
  std::string error;
  return cli::Play(opt, &error) ? 0 : RuntimeError(error);
}

int Run(const cli::Options &opt) {
  if (opt.play) return RunPlay(opt);
  std::unique_ptr<cli::OutputFile> out;
  if (opt.outputPath) {
    std::string error;
    cli::RemoveTemporaryOnSignals();
    out = cli::OutputFile::Open(*opt.outputPath, &error);
    if (!out) return UsageError(error);
  }
  if (!AttachLoopBuffer(opt)) return RuntimeError("out of memory for the loop buffer");

  uint64_t total = TotalSamples(opt);
  DWORD firstTick = opt.tick ? *opt.tick : GetTickCount();
  bool ok = !out || opt.raw || out->WriteWavHeader((uint32_t)opt.rate, total);
  cli::SignalStats stats;
  for (uint64_t pass = 0, done = 0; ok && done < total; pass++) {
    RenderPass(opt, pass, firstTick);
    size_t n = (size_t)std::min<uint64_t>((uint64_t)opt.length, total - done);
    const int16_t *samples = (const int16_t *)g_pOutData[0];
    stats.Add(samples, n);
    if (out) ok = out->WriteSamples(samples, n);
    done += n;
  }
  if (ok && out) ok = out->Commit();
  DetachLoopBuffer();
  if (!ok) return RuntimeError(out->Error());
  if (!opt.quiet) Report(opt, stats);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  cli::ParseResult parsed = cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) return UsageError(parsed.error);
  if (parsed.options.help) {
    fputs(cli::Usage(), stdout);
    return 0;
  }
  return Run(parsed.options);
}
