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

// Where the mono signal goes in a stereo output.
enum class Placement { kBoth, kLeft, kRight };

// The file formats libsndfile writes for us.
enum class Container { kWav, kRf64, kFlac, kAiff, kCaf, kW64, kRaw };

struct Options {
  int waveform = 0;            // waveform code
  std::string waveformName;    // as the user named it, or "code N"
  float requestedHz = 500.0f;  // before snapping
  int rate = 44100;
  int length = 8192;
  std::optional<double> seconds;  // none: one loop buffer
  std::optional<uint32_t> tick;   // none: the current tick count
  std::optional<std::string> outputPath;  // "-" is standard output
  Container container = Container::kWav;  // of the output, once checked
  bool raw = false;
  double gainDb = 0.0;  // at most 0
  int channels = 1;
  Placement placement = Placement::kBoth;
  bool exact = false;   // choose the length that makes the frequency exact
  bool play = false;
  std::optional<std::string> device;  // a number or a name; implies play
  bool listDevices = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool lengthGiven = false;
};

// The result of parsing: options, or the one line that names the fault.
struct ParseResult {
  Options options;
  std::string error;  // empty when the command line is good
};

// Parses argv[1..argc-1]. Never exits; a bad command line gives an error.
ParseResult ParseCommandLine(const std::vector<std::string> &args);

// The container a --format name or a file name's extension stands for.
std::optional<Container> ContainerByName(const std::string &name);
std::optional<Container> ContainerByExtension(const std::string &path);

// A duration: seconds ("2.5"), milliseconds ("500ms"), minutes and seconds
// ("1:30") or hours, minutes and seconds ("1:02:03.5"). None when the text
// is none of these.
std::optional<double> ParseDuration(const std::string &text);

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
