/*
 * tonbrook-render: renders Tonbrook's signals without the window, exactly as
 * the program puts them in its loop buffer, and writes them to a sound file,
 * or plays them through the sound engine or on a chosen device.
 */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "devices.h"
#include "kernel/kernel.h"
#include "options.h"
#include "output.h"
#include "play.h"
#include "loop_buffer.h"
#include "signal_stats.h"
#include "sound_file.h"
#include "synth.h"

namespace {

// Frames handed to the writer at a time; a pass of at least kDirectFrames
// goes to it as it is.
constexpr size_t kBlockFrames = 1 << 16, kDirectFrames = 1 << 12;

/* text with every control character shown as an escape (\x1b), so that
 * what the user typed or a file is named cannot drive the terminal. */
std::string Printable(const std::string &text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); i++) {
    unsigned char c = (unsigned char)text[i];
    // C1 controls arrive in UTF-8 as 0xC2 0x80..0x9F.
    bool c1 = c == 0xC2 && i + 1 < text.size() && (unsigned char)text[i + 1] >= 0x80 &&
              (unsigned char)text[i + 1] <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02x", c1 ? (unsigned char)text[++i] : c);
      shown += escape;
    } else {
      shown += (char)c;
    }
  }
  return shown;
}

int UsageError(const std::string &fault) {
  fprintf(stderr, "tonbrook-render: %s\nTry 'tonbrook-render --help'.\n", Printable(fault).c_str());
  return 2;
}

int RuntimeError(const std::string &fault) {
  fprintf(stderr, "tonbrook-render: %s\n", Printable(fault).c_str());
  return 1;
}

/* Exit status 0 when everything printed on standard output reached it; 1,
 * saying why, when it did not (a full disk, a closed pipe). */
int FinishStandardOutput() {
  if (fflush(stdout) == 0 && !ferror(stdout)) return 0;
  return RuntimeError(std::string("cannot write to standard output: ") + strerror(errno ? errno : EIO));
}

uint64_t TotalSamples(const cli::Options &opt) {
  if (!opt.seconds) return (uint64_t)opt.length;
  long long n = std::llround(*opt.seconds * opt.rate);
  return n < 1 ? 1 : (uint64_t)n;
}

// The tick at which pass p starts: passes follow one another in time.
DWORD PassTick(const cli::Options &opt, uint64_t pass, DWORD firstTick) {
  return firstTick + (DWORD)(pass * (uint64_t)opt.length * 1000u / (uint64_t)opt.rate);
}

// Renders pass p of passes and returns its samples. Periodic signals are
// the same on every pass: the loop buffer as it is. Noise is rendered
// afresh, seeded with the tick at that pass; pink noise two passes at a
// time, which is quicker, the second kept in *spare until its turn.
const int16_t *RenderPass(const cli::Options &opt, uint64_t pass, uint64_t passes, DWORD firstTick,
                          std::vector<int16_t> *spare) {
  if (pass > 0 && !cli::IsNoise(opt.waveform)) return cli::LoopSamples();
  if (opt.waveform == WF_PINK_NOISE && pass % 2 == 1) return spare->data();
  if (opt.waveform == WF_PINK_NOISE && pass + 1 < passes) {
    spare->resize((size_t)opt.length);
    RenderPinkNoisePair(cli::MutableLoopSamples(), PassTick(opt, pass, firstTick), spare->data(),
                        PassTick(opt, pass + 1, firstTick), opt.length);
    return cli::LoopSamples();
  }
  DWORD tick = PassTick(opt, pass, firstTick);
  plat::SetTickSource([tick] { return tick; });
  GenerateWaveform(opt.waveform, g_GenParams.fFrequency);
  plat::SetTickSource(nullptr);
  return cli::LoopSamples();
}

// The summary's frequency line: requested, snapped, and how far apart.
std::string FrequencyLine(const cli::Options &opt, float snapped) {
  std::string line = cli::FormatHz(opt.requestedHz) + " Hz requested, " + cli::FormatHz(snapped) + " Hz snapped";
  if (!cli::IsPeriodic(opt.waveform)) return line + " (not used by this waveform)";
  if (snapped == opt.requestedHz) return line + " (exact)";
  if (!(opt.requestedHz > 0.0f)) return line;
  char deviation[64];
  snprintf(deviation, sizeof deviation, " (%+.2f Hz, %+.1f cents)", (double)snapped - (double)opt.requestedHz,
           1200.0 * std::log2((double)snapped / (double)opt.requestedHz));
  return line + deviation;
}

// One-line warnings about a frequency the loop cannot play as asked.
void WarnAboutFrequency(const cli::Options &opt, float snapped) {
  if (!cli::IsPeriodic(opt.waveform)) return;
  if (opt.requestedHz > opt.rate / 2.0f)
    fprintf(stderr, "tonbrook-render: warning: %s Hz is above half the sample rate (%s Hz) and aliases\n",
            cli::FormatHz(opt.requestedHz).c_str(), cli::FormatHz(opt.rate / 2.0f).c_str());
  else if (opt.requestedHz < snapped && snapped > opt.rate / 2.0f)
    fprintf(stderr,
            "tonbrook-render: warning: %s Hz is below one cycle per loop buffer; it is raised to %s Hz, which is "
            "above half the sample rate (%s Hz) and aliases\n",
            cli::FormatHz(opt.requestedHz).c_str(), cli::FormatHz(snapped).c_str(),
            cli::FormatHz(opt.rate / 2.0f).c_str());
  else if (opt.requestedHz < snapped)
    fprintf(stderr, "tonbrook-render: warning: %s Hz is below one cycle per loop buffer; it is raised to %s Hz\n",
            cli::FormatHz(opt.requestedHz).c_str(), cli::FormatHz(snapped).c_str());
}

void ReportSignal(const cli::Options &opt) {
  float snapped = g_GenParams.fFrequency;
  long cycles = std::lround((double)snapped * opt.length / opt.rate);
  WarnAboutFrequency(opt, snapped);
  fprintf(stderr, "waveform:  %s\n", opt.waveformName.c_str());
  fprintf(stderr, "frequency: %s\n", FrequencyLine(opt, snapped).c_str());
  fprintf(stderr, "cycles:    %ld per buffer of %d samples at %d Hz\n", cycles, opt.length, opt.rate);
}

void Report(const cli::Options &opt, const cli::SignalStats &stats) {
  ReportSignal(opt);
  fprintf(stderr, "length:    %llu samples (%.3f s)\n", (unsigned long long)stats.Count(),
          (double)stats.Count() / opt.rate);
  fprintf(stderr, "peak:      %s (%d)\n", cli::FormatDbfs(stats.PeakDbfs()).c_str(), stats.Peak());
  fprintf(stderr, "rms:       %s\n", cli::FormatDbfs(stats.RmsDbfs()).c_str());
}

/* With --exact, sets opt's loop length to the shortest that holds the
 * frequency exactly. False with *error set when no length does. */
bool ChooseExactLength(cli::Options *opt, std::string *error) {
  if (!opt->exact) return true;
  std::optional<int> length = cli::ExactLength(opt->rate, opt->requestedHz);
  if (!length) {
    *error = "no loop buffer of up to 1048576 samples holds " + cli::FormatHz(opt->requestedHz) + " Hz exactly at " +
             std::to_string(opt->rate) + " Hz";
    return false;
  }
  opt->length = *length;
  return true;
}

int RunPlay(cli::Options opt) {
  std::string error;
  if (!ChooseExactLength(&opt, &error)) return UsageError(error);
  cli::SetParams(opt);
  if (opt.quiet) cli::SilenceSoundMessages();
  std::optional<UINT> device = cli::ChooseDevice(opt, &error);
  if (!device) return RuntimeError(error);
  if (!opt.quiet) {
    ReportSignal(opt);
    std::string where = opt.device ? "output device " + std::to_string(*device) : "the default output device";
    if (opt.seconds)
      fprintf(stderr, "playing:   %g s on %s\n", *opt.seconds, where.c_str());
    else
      fprintf(stderr, "playing:   on %s until Ctrl+C\n", where.c_str());
  }
  bool ok = cli::UsesEngine(opt) ? cli::Play(opt, &error) : cli::PlayOnDevice(opt, *device, &error);
  if (!ok) return RuntimeError(error);
  // Stopped by an interrupt: end by it, as a shell loop expects.
  if (int sig = cli::StopSignal()) {
    signal(sig, SIG_DFL);
    raise(sig);
  }
  return 0;
}

// Gathers shaped frames and hands them to the file a block at a time.
class BlockWriter {
 public:
  BlockWriter(cli::SoundFile *file, int channels) : m_file(file), m_channels(channels) {
    m_block.resize(kBlockFrames * channels);
  }
  bool Put(const int16_t *frames, size_t count) {
    if (!m_file) return true;
    if (m_used == 0 && count >= kDirectFrames) return m_file->Write(frames, count);
    while (count > 0) {
      size_t n = std::min(count, kBlockFrames - m_used);
      std::copy(frames, frames + n * m_channels, m_block.begin() + (ptrdiff_t)(m_used * m_channels));
      m_used += n;
      frames += n * m_channels;
      count -= n;
      if (m_used == kBlockFrames && !Flush()) return false;
    }
    return true;
  }
  bool Flush() {
    bool ok = !m_file || m_used == 0 || m_file->Write(m_block.data(), m_used);
    m_used = 0;
    return ok;
  }

 private:
  cli::SoundFile *m_file;
  int m_channels;
  std::vector<int16_t> m_block;
  size_t m_used = 0;
};

// Renders every pass and writes it; the levels go to *stats unless quiet.
// A periodic signal is rendered, shaped and measured once, and its frames
// repeated. Without gain or a second channel the loop buffer goes out as it
// is.
bool RenderAll(const cli::Options &opt, cli::SoundFile *file, cli::SignalStats *stats) {
  cli::Shaper shaper(opt);
  uint64_t total = TotalSamples(opt);
  DWORD firstTick = opt.tick ? *opt.tick : GetTickCount();
  std::vector<int16_t> mono, shaped;
  if (!shaper.Identity()) {
    mono.resize((size_t)opt.length);
    shaped.resize((size_t)opt.length * opt.channels);
  }
  uint64_t passes = (total + (uint64_t)opt.length - 1) / (uint64_t)opt.length;
  std::vector<int16_t> spare;
  const int16_t *level = cli::LoopSamples(), *frames = cli::LoopSamples();
  cli::SignalStats passStats;
  BlockWriter writer(file, opt.channels);
  for (uint64_t pass = 0, done = 0; done < total; pass++) {
    size_t n = (size_t)std::min<uint64_t>((uint64_t)opt.length, total - done);
    if (pass == 0 || cli::IsNoise(opt.waveform)) {
      const int16_t *samples = RenderPass(opt, pass, passes, firstTick, &spare);
      level = frames = samples;
      if (!shaper.Identity()) {
        for (int i = 0; i < opt.length; i++) mono[i] = shaper.Scaled(samples[i]);
        shaper.Shape(samples, (size_t)opt.length, shaped.data());
        level = mono.data();
        frames = shaped.data();
      }
      passStats = cli::SignalStats();
      // Levels are only printed in the summary, which -q leaves out.
      if (!opt.quiet) passStats.Add(level, (size_t)opt.length);
    }
    if (n == (size_t)opt.length) {
      stats->AddRepeated(passStats, 1);
    } else if (!opt.quiet) {
      stats->Add(level, n);
    }
    if (!writer.Put(frames, n)) return false;
    done += n;
  }
  return writer.Flush();
}

int RunRender(cli::Options opt) {
  std::string error;
  if (!ChooseExactLength(&opt, &error)) return UsageError(error);
  std::unique_ptr<cli::OutputFile> out;
  std::unique_ptr<cli::SoundFile> file;
  if (opt.outputPath) {
    cli::RemoveTemporaryOnSignals();
    out = cli::OutputFile::Open(*opt.outputPath, &error);
    if (!out) return UsageError(error);
    file = cli::SoundFile::Start(out.get(), opt.container, opt.rate, opt.channels, TotalSamples(opt), &error);
    if (!file) return RuntimeError(error);
  }
  if (!cli::AttachLoopBuffer(opt)) return RuntimeError("out of memory for the loop buffer");
  cli::SignalStats stats;
  bool ok = RenderAll(opt, file.get(), &stats) && (!file || file->Finish());
  cli::DetachLoopBuffer();
  if (!ok) return RuntimeError(file->Error());
  if (!opt.quiet) Report(opt, stats);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  cli::ParseResult parsed = cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) return UsageError(parsed.error);
  const cli::Options &opt = parsed.options;
  if (opt.help) {
    fputs(cli::Usage(), stdout);
    return FinishStandardOutput();
  }
  if (opt.version) {
    puts("tonbrook-render " TONBROOK_VERSION);
    return FinishStandardOutput();
  }
  if (opt.listDevices) {
    std::string error;
    return cli::ListDevices(&error) ? FinishStandardOutput() : RuntimeError(error);
  }
  return opt.play ? RunPlay(opt) : RunRender(opt);
}
