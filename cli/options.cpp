#include "options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

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

const struct {
  const char *name;
  Container container;
} kFormats[] = {
    {"wav", Container::kWav},   {"rf64", Container::kRf64}, {"flac", Container::kFlac},
    {"aiff", Container::kAiff}, {"caf", Container::kCaf},   {"w64", Container::kW64},
    {"raw", Container::kRaw},
};

const struct {
  const char *extension;
  Container container;
} kExtensions[] = {
    {"wav", Container::kWav},   {"wave", Container::kWav}, {"rf64", Container::kRf64},
    {"flac", Container::kFlac}, {"aiff", Container::kAiff}, {"aif", Container::kAiff},
    {"caf", Container::kCaf},   {"w64", Container::kW64},  {"raw", Container::kRaw},
    {"pcm", Container::kRaw},
};

constexpr int kMinRate = 1000, kMaxRate = 384000;
constexpr int kMinLength = 1, kMaxLength = 1048576;
constexpr double kMaxSeconds = 86400.0;
// AIFF counts its bytes in 32 bits, the header included.
constexpr uint64_t kMaxAiffBytes = 0xFFFFFFFFull - 54;

std::string Lower(std::string s) {
  for (char &c : s) c = (char)tolower((unsigned char)c);
  return s;
}

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
  explicit Parser(const std::vector<std::string> &args) : m_args(args) {}

  ParseResult Run() {
    for (m_pos = 0; m_pos < m_args.size() && m_error.empty(); m_pos++) {
      if (!m_optionsEnded && m_args[m_pos] == "--") {
        m_optionsEnded = true;
      } else {
        Take(m_args[m_pos]);
      }
    }
    if (m_error.empty() && !m_opt.help && !m_opt.version && !m_opt.listDevices) Check();
    return {m_opt, m_error};
  }

 private:
  void Fail(const std::string &message) {
    if (m_error.empty()) m_error = message;
  }

  // The value of an option: "--rate=R" or the next argument.
  std::optional<std::string> Value(const std::string &name, const std::string &inlineValue, bool hasInline) {
    if (hasInline) return inlineValue;
    if (m_pos + 1 >= m_args.size()) {
      Fail(name + " needs a value");
      return std::nullopt;
    }
    return m_args[++m_pos];
  }

  void Take(const std::string &arg) {
    if (!m_optionsEnded && arg.size() > 1 && arg[0] == '-' && !LooksLikeNumber(arg)) {
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
      m_opt.help = true;
    } else if (name == "-q" || name == "--quiet") {
      m_opt.quiet = true;
    } else if (name == "--version") {
      m_opt.version = true;
    } else if (name == "--raw") {
      m_opt.raw = true;
    } else if (name == "--play") {
      m_opt.play = true;
    } else if (name == "--exact") {
      m_opt.exact = true;
    } else if (name == "--list-devices") {
      m_opt.listDevices = true;
    } else if (name == "--device") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeDevice(*v);
    } else if (name == "--format") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeFormat(*v);
    } else if (name == "--gain") {
      if (auto v = Value(name, inlineValue, hasInline)) TakeGain(*v);
    } else if (name == "--channels") {
      if (auto v = Value(name, inlineValue, hasInline)) m_opt.channels = Bounded(name, *v, 1, 2);
      m_channelsGiven = true;
    } else if (name == "--channel") {
      if (auto v = Value(name, inlineValue, hasInline)) TakePlacement(*v);
    } else if (name == "--rate") {
      if (auto v = Value(name, inlineValue, hasInline)) m_opt.rate = Bounded(name, *v, kMinRate, kMaxRate);
    } else if (name == "--length") {
      if (auto v = Value(name, inlineValue, hasInline)) m_opt.length = Bounded(name, *v, kMinLength, kMaxLength);
      m_opt.lengthGiven = true;
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
    std::optional<double> v = ParseDuration(text);
    if (!v) {
      Fail("--seconds '" + text + "' is not a duration (S, 500ms, M:SS or H:MM:SS)");
    } else if (!(*v > 0.0 && *v <= kMaxSeconds)) {
      Fail("--seconds " + text + " is out of range (above 0, at most 86400)");
    } else {
      m_opt.seconds = *v;
      m_secondsText = text;
    }
  }

  void TakeFormat(const std::string &text) {
    if (std::optional<Container> c = ContainerByName(text)) {
      m_format = *c;
      m_formatText = text;
    } else {
      Fail("unknown format '" + text + "' (wav, rf64, flac, aiff, caf, w64 or raw)");
    }
  }

  void TakeGain(const std::string &text) {
    std::optional<double> v = ParseReal(text);
    if (!v) {
      Fail("--gain '" + text + "' is not a number");
    } else if (*v > 0.0) {
      Fail("--gain " + text + " is above 0 dB; the signals already reach full scale");
    } else {
      m_opt.gainDb = *v;
    }
  }

  void TakePlacement(const std::string &text) {
    if (text == "left") {
      m_opt.placement = Placement::kLeft;
    } else if (text == "right") {
      m_opt.placement = Placement::kRight;
    } else if (text == "both") {
      m_opt.placement = Placement::kBoth;
    } else {
      return Fail("--channel '" + text + "' is not left, right or both");
    }
    m_placementGiven = true;
  }

  void TakeDevice(const std::string &text) {
    if (text.empty()) return Fail("--device needs a number or a name");
    m_opt.device = text;
  }

  void TakeTick(const std::string &text) {
    std::optional<int64_t> v = ParseInteger(text);
    if (!v || *v < 0 || *v > 0xFFFFFFFFll) {
      Fail("--tick '" + text + "' is not a tick count (0 to 4294967295)");
    } else {
      m_opt.tick = (uint32_t)*v;
    }
  }

  void TakeOutput(const std::string &path) {
    if (path.empty()) {
      Fail("-o needs a file name");
    } else {
      m_opt.outputPath = path;
    }
  }

  void TakePositional(const std::string &arg) {
    if (m_positionals == 0) {
      TakeWaveform(arg);
    } else if (m_positionals == 1) {
      std::optional<double> v = ParseReal(arg);
      if (!v) {
        Fail("frequency '" + arg + "' is not a number");
      } else {
        m_opt.requestedHz = (float)*v;
        m_frequencyText = arg;
      }
    } else {
      Fail("unexpected argument '" + arg + "'");
    }
    m_positionals++;
  }

  void TakeWaveform(const std::string &arg) {
    if (std::optional<int> code = WaveformByName(arg)) {
      m_opt.waveform = *code;
      m_opt.waveformName = arg;
      return;
    }
    std::optional<int64_t> v = ParseInteger(arg);
    if (v && *v >= INT32_MIN && *v <= INT32_MAX) {
      m_opt.waveform = (int)*v;
      m_opt.waveformName = WaveformDisplayName((int)*v);
    } else {
      Fail("unknown waveform '" + arg + "'");
    }
  }

  // Checks that need every option.
  void Check() {
    if (m_positionals == 0) return Fail("missing WAVEFORM");
    if (m_opt.device) m_opt.play = true;
    if (m_placementGiven && m_channelsGiven && m_opt.channels == 1)
      return Fail("--channel needs two channels; it cannot be combined with --channels 1");
    if (m_placementGiven) m_opt.channels = 2;
    if (m_opt.exact && m_opt.lengthGiven) return Fail("--exact chooses the length; it cannot be combined with --length");
    if (!m_opt.exact && !SnapStaysInRange(m_opt.rate, m_opt.length, m_opt.requestedHz))
      return Fail("frequency " + m_frequencyText + " Hz is out of range for " + std::to_string(m_opt.length) +
                  "-sample buffers at " + std::to_string(m_opt.rate) + " Hz");
    if (m_opt.play && m_opt.outputPath) return Fail("--play cannot be combined with -o");
    if (m_opt.play && m_opt.tick) return Fail("--play seeds the noise from the clock; --tick is for files");
    if (m_opt.raw && !m_opt.outputPath) return Fail("--raw needs -o FILE");
    if (m_opt.raw && m_format && *m_format != Container::kRaw)
      return Fail("--raw writes raw samples; it cannot be combined with --format " + m_formatText);
    if (m_format && !m_opt.outputPath) return Fail("--format needs -o FILE");
    if (m_opt.outputPath) CheckContainer();
  }

  // The container: --raw, --format, the file name's extension, else WAV;
  // a WAV too long for 32-bit sizes becomes RF64.
  void CheckContainer() {
    const std::string &path = *m_opt.outputPath;
    if (m_opt.raw) {
      m_opt.container = Container::kRaw;
    } else if (m_format) {
      m_opt.container = *m_format;
    } else if (path == "-") {
      m_opt.container = Container::kWav;
    } else if (std::optional<Container> c = ContainerByExtension(path)) {
      m_opt.container = *c;
    } else {
      return Fail("unknown file extension in '" + path + "' (use --format)");
    }
    if (m_opt.container == Container::kRaw) m_opt.raw = true;
    double seconds = m_opt.seconds ? *m_opt.seconds : (double)m_opt.length / m_opt.rate;
    double bytes = seconds * m_opt.rate * 2.0 * m_opt.channels;
    if (m_opt.container == Container::kWav && bytes + 36.0 > (double)0xFFFFFFFFull) m_opt.container = Container::kRf64;
    if (m_opt.container == Container::kAiff && bytes > (double)kMaxAiffBytes)
      return Fail("--seconds " + m_secondsText + " is too long for an AIFF file at " + std::to_string(m_opt.rate) +
                  " Hz (use w64, caf or rf64)");
  }

  const std::vector<std::string> &m_args;
  size_t m_pos = 0;
  int m_positionals = 0;
  Options m_opt;
  std::string m_error;
  std::string m_frequencyText = "500";
  std::string m_secondsText;
  std::optional<Container> m_format;
  std::string m_formatText;
  bool m_optionsEnded = false;  // after "--" every argument is a positional one
  bool m_channelsGiven = false;
  bool m_placementGiven = false;
};

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string> &args) { return Parser(args).Run(); }

std::optional<double> ParseDuration(const std::string &text) {
  if (text.size() > 2 && text.compare(text.size() - 2, 2, "ms") == 0) {
    std::optional<double> ms = ParseReal(text.substr(0, text.size() - 2));
    if (!ms) return std::nullopt;
    return *ms / 1000.0;
  }
  if (text.find(':') == std::string::npos) return ParseReal(text);

  // [H:]M:S with M and S below 60 when something comes before them.
  std::vector<std::string> fields;
  for (size_t from = 0;;) {
    size_t colon = text.find(':', from);
    fields.push_back(text.substr(from, colon - from));
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  if (fields.size() > 3) return std::nullopt;
  double total = 0.0;
  for (size_t i = 0; i < fields.size(); i++) {
    const std::string &f = fields[i];
    bool last = i + 1 == fields.size();
    size_t point = f.find('.');
    size_t whole = point == std::string::npos ? f.size() : point;
    if (whole == 0 || f.find_first_not_of(last ? "0123456789." : "0123456789") != std::string::npos ||
        (point != std::string::npos && f.find('.', point + 1) != std::string::npos))
      return std::nullopt;
    if (i > 0 && whole > 2) return std::nullopt;
    double v = std::strtod(f.c_str(), nullptr);
    if (i > 0 && v >= 60.0) return std::nullopt;
    total = total * 60.0 + v;
  }
  return total;
}

std::optional<Container> ContainerByName(const std::string &name) {
  std::string lower = Lower(name);
  for (const auto &f : kFormats)
    if (lower == f.name) return f.container;
  return std::nullopt;
}

std::optional<Container> ContainerByExtension(const std::string &path) {
  size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot == std::string::npos || dot == 0) return Container::kWav;
  std::string ext = Lower(base.substr(dot + 1));
  for (const auto &e : kExtensions)
    if (ext == e.extension) return e.container;
  return std::nullopt;
}

const char *Usage() {
  return "usage: tonbrook-render WAVEFORM [FREQUENCY] [options]\n"
         "       tonbrook-render --list-devices | --help | --version\n"
         "  WAVEFORM       sine square triangle sawtooth white pink impulse sweep,\n"
         "                 or a numeric waveform code\n"
         "  FREQUENCY      in Hz (default 500), snapped down to a whole number of\n"
         "                 cycles per loop buffer\n"
         "signal:\n"
         "  --rate R       samples per second, 1000 to 384000 (default 44100)\n"
         "  --length N     samples per loop buffer, 1 to 1048576 (default 8192)\n"
         "  --exact        choose the shortest loop buffer that holds the frequency\n"
         "                 exactly, instead of snapping it\n"
         "  --seconds D    length: 2.5, 500ms, 1:30 or 1:02:03.5, at most 24 hours\n"
         "                 (default: one loop buffer)\n"
         "  --tick T       tick count that seeds the noise (default: now)\n"
         "  --gain DB      level in dB, 0 or below (default 0: samples untouched)\n"
         "  --channels C   1 (default) or 2\n"
         "  --channel P    left, right or both: where the signal goes in two\n"
         "                 channels (implies --channels 2)\n"
         "output:\n"
         "  -o, --output FILE\n"
         "                 write 16-bit samples to FILE; - for standard output\n"
         "  --format F     wav rf64 flac aiff caf w64 raw (default: from FILE's\n"
         "                 extension, else wav)\n"
         "  --raw          same as --format raw: headerless little-endian samples\n"
         "  --play         play for --seconds (default: until Ctrl+C)\n"
         "  --device DEV   play on output device DEV, a number or a name\n"
         "  --list-devices list the output devices\n"
         "  -q, --quiet    print nothing on standard error\n"
         "  -h, --help     show this help\n"
         "  --version      show the version\n";
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
