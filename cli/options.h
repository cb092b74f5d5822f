/*
 * options.h - the command line of tonbrook-render.
 */
#ifndef TONBROOK_CLI_OPTIONS_H
#define TONBROOK_CLI_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Options {
  int waveform = 0;            // waveform code
  std::string waveformName;    // as the user named it, or "code N"
  float requestedHz = 500.0f;  // before snapping
  int rate = 44100;
  int length = 8192;
  std::optional<double> seconds;  // none: one loop buffer
  std::optional<uint32_t> tick;   // none: the current tick count
  std::optional<std::string> outputPath;  // "-" is standard output
  bool raw = false;
  bool play = false;  // through the engine on the default output device
  bool quiet = false;
  bool help = false;
};

// The result of parsing: options, or the one line that names the fault.
struct ParseResult {
  Options options;
  std::string error;  // empty when the command line is good
};

// Parses argv[1..argc-1]. Never exits; a bad command line gives an error.
ParseResult ParseCommandLine(const std::vector<std::string> &args);

// The usage text, ending in a newline.
const char *Usage();

// The waveform code for a name ("sine", ...), or none.
std::optional<int> WaveformByName(const std::string &name);

// A readable name for a code: "sine", ..., or "code N (no waveform)".
std::string WaveformDisplayName(int code);

// True for the codes whose samples depend on the frequency.
bool IsPeriodic(int code);

// True for the codes rendered from the random source.
bool IsNoise(int code);

}  // namespace cli

#endif
