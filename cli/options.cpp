#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "synth.h"

namespace cli {

namespace {

const struct {
  const char *name;
  int code;
} kWaveforms[] = {
    {"sine", WF_SINE},          {"square", WF_SQUARE},     {"triangle", WF_TRIANGLE},
    {"sawtooth", WF_SAWTOOTH},  {"white", WF_WHITE_NOISE}, {"pink", WF_PINK_NOISE},
    {"impulse", WF_IMPULSE},    {"sweep", WF_SWEEP},
};

constexpr int kMinRate = 1000, kMaxRate = 384000;
constexpr int kMinLength = 1, kMaxLength = 1048576;
constexpr double kMaxSeconds = 86400.0;
// A WAV file counts its bytes in 32 bits, the RIFF header included.
constexpr uint64_t kMaxWavSamples = (0xFFFFFFFFull - 36) / 2;

// A plain decimal number: sign, digits, one point, an exponent. No hex, no
// inf or nan, no spaces.
bool IsDecimalNumber(const std::string &s) {
  size_t i = 0, digits = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) i++;
  for (; i < s.size() && isdigit((unsigned char)s[i]); i++) digits++;
  if (i < s.size() && s[i] == '.')
    for (i++; i < s.size() && isdigit((unsigned char)s[i]); i++) digits++;
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    i++;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) i++;
    size_t expDigits = 0;
    for (; i < s.size() && isdigit((unsigned char)s[i]); i++) expDigits++;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

std::optional<double> ParseReal(const std::string &s) {
  if (!IsDecimalNumber(s)) return std::nullopt;
  errno = 0;
  double v = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return std::nullopt;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int64_t> ParseInteger(const std::string &s) {
  size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  if (i == s.size()) return std::nullopt;
  for (size_t j = i; j < s.size(); j++)
    if (!isdigit((unsigned char)s[j])) return std::nullopt;
  errno = 0;
  long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return (int64_t)v;
}

bool LooksLikeNumber(const std::string &s) {
  return s.size() >= 2 && s[0] == '-' && (isdigit((unsigned char)s[1]) || s[1] == '.');
}

// The snap computes N * f in single and truncates it, then R * k in 32 bits;
// both must stay in range for the frequency to be usable.
bool SnapStaysInRange(int rate, int length, float hz) {
  float a = (float)length * hz;
  if (!(a >= -2147483648.0f && a < 2147483648.0f)) return false;
  int64_t k = (int64_t)((float)(int32_t)a / (float)rate);
  if (k < 1) k = 1;
  return (int64_t)rate * k <= INT32_MAX;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string> &args) : args_(args) {}

  ParseResult Run() {
    for (pos_ = 0; pos_ < args_.size() && error_.empty(); pos_++) Take(args_[pos_]);
    if (error_.empty() && !opt_.help) Check();
    return {opt_, error_};
  }

 private:
  void Fail(const std::string &message) {
    if (error_.empty()) error_ = message;
  }

  // The value of an option: "--rate=R" or the next argument.
  std::optional<std::string> Value(const std::string &name, const std::string &inlineValue, bool hasInline) {
    if (hasInline) return inlineValue;
    if (pos_ + 1 >= args_.size()) {
      Fail(name + " needs a value");
      return std::nullopt;
    }
    return args_[++pos_];
  }

  void Take(const std::string &arg) {
    if (arg.size() > 1 && arg[0] == '-' && !LooksLikeNumber(arg)) {
      TakeOption(arg);
    } else {
      TakePositional(arg);
    }
  }

  void TakeOption(const std::string &arg) {
    size_t eq = arg.find('=');
    bool hasInline = arg.compare(0, 2, "--") == 0 && eq != std::string::npos;
    std::string name = hasInline ? arg.substr(0, eq) : arg;
    std::string inlineValue = hasInline ? arg.substr(eq + 1) : std::string();

    if (name == "-h" || name == "--help") {
      opt_.help = true;
    } else if (name == "-q" || name == "--quiet") {
      opt_.quiet = true;
    } else if (name == "--raw") {
      opt_.raw = true;
    } else if (name == "--play") {
      opt_.play = true;
    } else if (name == "--rate") {
      if (auto v = Value(name, inlineValue, hasInline)) opt_.rate = Bounded(name, *v, kMinRate, kMaxRate);
    } else if (name == "--length") {
      if (auto v = Value(name, inlineValue, hasInline)) opt_.length = Bounded(name, *v, kMinLength, kMaxLength);
    } else if (name == "--seconds") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeSeconds(*v);
    } else if (name == "--tick") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeTick(*v);
    } else if (name == "-o" || name == "--output") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeOutput(*v);
    } else {
      Fail("unknown option '" + arg + "'");
    }
  }

  int Bounded(const std::string &name, const std::string &text, int lo, int hi) {
    std::optional<int64_t> v = ParseInteger(text);
    if (!v) {
      Fail(name + " '" + text + "' is not a whole number");
    } else if (*v < lo || *v > hi) {
      Fail(name + " " + text + " is out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
    } else {
      return (int)*v;
    }
    return lo;
  }

  void TakeSeconds(const std::string &text) {
    std::optional<double> v = ParseReal(text);
    if (!v) {
      Fail("--seconds '" + text + "' is not a number");
    } else if (!(*v > 0.0 && *v <= kMaxSeconds)) {
      Fail("--seconds " + text + " is out of range (above 0, at most 86400)");
    } else {
      opt_.seconds = *v;
      secondsText_ = text;
    }
  }

  void TakeTick(const std::string &text) {
    std::optional<int64_t> v = ParseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFFFFFFll) {
      Fail("--tick '" + text + "' is not a tick count (0 to 4294967295)");
    } else {
      opt_.tick = (uint32_t)*v;
    }
  }

  void TakeOutput(const std::string &path) {
    if (path.empty()) {
      Fail("-o needs a file name");
    } else {
      opt_.outputPath = path;
    }
  }

  void TakePositional(const std::string &arg) {
    if (positionals_ == 0) {
      TakeWaveform(arg);
    } else if (positionals_ == 1) {
      std::optional<double> v = ParseReal(arg);
      if (!v) {
        Fail("frequency '" + arg + "' is not a number");
      } else {
        opt_.requestedHz = (float)*v;
        frequencyText_ = arg;
      }
    } else {
      Fail("unexpected argument '" + arg + "'");
    }
    positionals_++;
  }

  void TakeWaveform(const std::string &arg) {
    if (std::optional<int> code = WaveformByName(arg)) {
      opt_.waveform = *code;
      opt_.waveformName = arg;
      return;
    }
    std::optional<int64_t> v = ParseInteger(arg);
    if (v && *v >= INT32_MIN && *v <= INT32_MAX) {
      opt_.waveform = (int)*v;
      opt_.waveformName = WaveformDisplayName((int)*v);
    } else {
      Fail("unknown waveform '" + arg + "'");
    }
  }

  // Checks that need every option.
  void Check() {
    if (positionals_ == 0) return Fail("missing WAVEFORM");
    if (!SnapStaysInRange(opt_.rate, opt_.length, opt_.requestedHz))
      return Fail("frequency " + frequencyText_ + " Hz is out of range for " + std::to_string(opt_.length) +
                  "-sample buffers at " + std::to_string(opt_.rate) + " Hz");
    if (opt_.play && opt_.outputPath) return Fail("--play cannot be combined with -o");
    if (opt_.play && opt_.tick) return Fail("--play seeds the noise from the clock; --tick is for files");
    if (opt_.raw && !opt_.outputPath) return Fail("--raw needs -o FILE");
    if (opt_.seconds && opt_.outputPath && !opt_.raw) {
      if (*opt_.seconds * opt_.rate > (double)kMaxWavSamples)
        return Fail("--seconds " + secondsText_ + " is too long for a WAV file at " + std::to_string(opt_.rate) +
                    " Hz (use --raw)");
    }
  }

  const std::vector<std::string> &args_;
  size_t pos_ = 0;
  int positionals_ = 0;
  Options opt_;
  std::string error_;
  std::string frequencyText_ = "500";
  std::string secondsText_;
};

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string> &args) { return Parser(args).Run(); }

const char *Usage() {
  return "usage: tonbrook-render WAVEFORM [FREQUENCY] [options]\n"
         "  WAVEFORM       sine square triangle sawtooth white pink impulse sweep,\n"
         "                 or a numeric waveform code\n"
         "  FREQUENCY      in Hz (default 500), snapped down to a whole number of\n"
         "                 cycles per loop buffer\n"
         "options:\n"
         "  --rate R       samples per second, 1000 to 384000 (default 44100)\n"
         "  --length N     samples per loop buffer, 1 to 1048576 (default 8192)\n"
         "  --seconds S    length of the output, above 0 and at most 86400\n"
         "                 (default: one loop buffer)\n"
         "  --tick T       tick count that seeds the noise (default: now)\n"
         "  -o FILE        write a 16-bit mono WAV file; - for standard output\n"
         "  --raw          write headerless signed 16-bit little-endian samples\n"
         "  --play         play on the default audio output device for --seconds\n"
         "                 (default: until Ctrl+C), as the program plays it\n"
         "  -q             print nothing on standard error\n"
         "  -h, --help     show this help\n";
}

std::optional<int> WaveformByName(const std::string &name) {
  for (const auto &w : kWaveforms)
    if (name == w.name) return w.code;
  return std::nullopt;
}

std::string WaveformDisplayName(int code) {
  for (const auto &w : kWaveforms)
    if (code == w.code) return w.name;
  return "code " + std::to_string(code) + " (no waveform)";
}

bool IsPeriodic(int code) {
  return code == WF_SINE || code == WF_SQUARE || code == WF_TRIANGLE || code == WF_SAWTOOTH;
}

bool IsNoise(int code) { return code == WF_WHITE_NOISE || code == WF_PINK_NOISE; }

}  // namespace cli
