// tonbrook-render's sound files read back through libsndfile: every format,
// to a file and to a pipe; the default WAV byte for byte as the classic
// 44-byte writer made it; gain, channels, exact frequencies and the summary.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "kernel/kernel.h"
#include "common/reference.h"
#include "sound.h"
#include "synth.h"

namespace {

using namespace clitest;

// The classic header of a 16-bit mono PCM WAV file, field by field.
std::string ClassicWavHeader(uint32_t rate, uint32_t samples) {
  std::string h;
  auto put = [&h](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) h += (char)(v >> (8 * i));
  };
  h += "RIFF";
  put(36 + 2 * samples, 4);
  h += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(1, 2);
  put(rate, 4);
  put(2 * rate, 4);
  put(2, 2);
  put(16, 2);
  h += "data";
  put(2 * samples, 4);
  return h;
}

std::string Bytes(const std::vector<int16_t> &samples) {
  std::string b;
  for (int16_t s : samples) {
    b += (char)(s & 0xFF);
    b += (char)((uint16_t)s >> 8);
  }
  return b;
}

// The frames of a sound file libsndfile reads, and its channel count.
std::vector<int16_t> Decode(const std::string &path, int *channels, int rawChannels = 1) {
  SF_INFO info{};
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".raw") == 0) {
    info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
    info.samplerate = 44100;
    info.channels = rawChannels;
  }
  SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(sf, nullptr) << path << ": " << sf_strerror(nullptr);
  if (!sf) return {};
  // A FLAC stream does not say how long it is: read to its end.
  std::vector<int16_t> v, chunk(4096 * (size_t)info.channels);
  for (sf_count_t n; (n = sf_readf_short(sf, chunk.data(), 4096)) > 0;)
    v.insert(v.end(), chunk.begin(), chunk.begin() + n * info.channels);
  *channels = info.channels;
  sf_close(sf);
  return v;
}

using FormatsTest = ToolTest;

TEST_F(FormatsTest, TheDefaultWavIsTheClassicFileByteForByteToAFileAndToAPipe) {
  struct Case {
    const char *args;
    std::string expected;
  } cases[] = {
      {"sine", ClassicWavHeader(44100, 8192) + Bytes(Reference(WF_SINE, 500.0f, 44100, 8192, 0))},
      {"white --rate 8000 --length 1000 --tick 9",
       ClassicWavHeader(8000, 1000) + Bytes(Reference(WF_WHITE_NOISE, 500.0f, 8000, 1000, 9))},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(Shell(std::string(c.args) + " -q -o file.wav").status, 0) << c.args;
    ASSERT_EQ(Shell(std::string(c.args) + " -q -o - > pipe.wav").status, 0) << c.args;
    ASSERT_EQ(Shell(std::string(c.args) + " -q -o - | cat > through-cat.wav").status, 0) << c.args;
    EXPECT_EQ(Slurp(At("file.wav")), c.expected) << c.args;
    EXPECT_EQ(Slurp(At("pipe.wav")), c.expected) << c.args;
    EXPECT_EQ(Slurp(At("through-cat.wav")), c.expected) << c.args;
  }
}

TEST_F(FormatsTest, EveryFormatHoldsTheSamplesAndAPipeGetsTheSameFile) {
  const char *signal = "white --tick 77 --seconds 0.7";
  ASSERT_EQ(Shell(std::string(signal) + " -q --raw -o mono.raw").status, 0);
  ASSERT_EQ(Shell(std::string(signal) + " -q --channels 2 --channel right --raw -o stereo.raw").status, 0);
  int channels = 0;
  std::vector<int16_t> mono = Decode(At("mono.raw"), &channels);
  std::vector<int16_t> stereo = Decode(At("stereo.raw"), &channels, 2);
  ASSERT_EQ(mono.size(), 30870u);
  ASSERT_EQ(stereo.size(), 2 * mono.size());

  for (const char *ext : {"wav", "flac", "aiff", "caf", "w64", "rf64"}) {
    for (int ch : {1, 2}) {
      std::string extra = ch == 2 ? " --channels 2 --channel right" : "";
      std::string file = std::string("t.") + ext;
      ASSERT_EQ(Shell(std::string(signal) + extra + " -q -o " + file).status, 0) << ext;
      Outcome o = Shell(std::string(signal) + extra + " -q --format " + ext + " -o - | cat > p." + ext);
      ASSERT_EQ(o.status, 0) << ext << o.err;
      int got = 0;
      EXPECT_EQ(Decode(At(file), &got), ch == 1 ? mono : stereo) << ext << " " << ch;
      EXPECT_EQ(got, ch);
      EXPECT_EQ(Decode(At(std::string("p.") + ext), &got), ch == 1 ? mono : stereo) << ext << " " << ch;
      // A FLAC stream cannot go back to complete its header; the rest can
      // write theirs first, for the known length.
      if (std::string(ext) != "flac") {
        EXPECT_EQ(Slurp(At(file)), Slurp(At(std::string("p.") + ext))) << ext;
      }
    }
  }
}

// A reader that detects the format from its first read (SoX) gets the
// header and the first samples together, every time.
TEST_F(FormatsTest, SoxReadsEveryStreamFromAPipe) {
  if (access("/usr/bin/sox", X_OK) != 0) GTEST_SKIP() << "sox is not installed";
  for (const char *format : {"wav", "aiff", "flac", "rf64"}) {
    int read = 0;
    for (int run = 0; run < 20; run++)
      read += Shell(std::string("sine 1000 --seconds 5 -q --format ") + format + " -o - | sox - -n stat").status == 0;
    EXPECT_EQ(read, 20) << format;
  }
}

// The header of a stream says the whole length before any sample is
// rendered, however long it is; the reader stops after the header.
TEST_F(FormatsTest, AStreamOfADayStartsWithTheHeaderForAllOfIt) {
  auto field = [](const std::string &b, const std::string &mark, size_t after, int width, bool big) {
    size_t at = b.find(mark) + mark.size() + after;
    uint64_t v = 0;
    for (int i = 0; i < width && at + width <= b.size(); i++)
      v |= (uint64_t)(uint8_t)b[at + (big ? width - 1 - i : i)] << (8 * i);
    return v;
  };
  const struct {
    const char *args, *mark;
    size_t after;
    int width;
    bool big;
    uint64_t expected;
  } cases[] = {
      {"--format rf64 --seconds 24:00:00 --rate 384000 --channels 2", "ds64", 12, 8, false, 132710400000ull},
      {"--format caf --seconds 24:00:00 --rate 384000 --channels 2", "data", 0, 8, true, 132710400004ull},
      {"--format aiff --seconds 4:00:00", "COMM", 6, 4, true, 635040000ull},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(Shell(std::string("sine -q -o - ") + c.args + " | head -c 65536 > head").status, 0) << c.args;
    EXPECT_EQ(field(Slurp(At("head")), c.mark, c.after, c.width, c.big), c.expected) << c.args;
  }
}

TEST_F(FormatsTest, AFlacOfTenSecondsDecodesToTheWavsSamples) {
  ASSERT_EQ(Shell("sine 1000 --seconds 10 -q -o t.flac").status, 0);
  ASSERT_EQ(Shell("sine 1000 --seconds 10 -q -o t.wav").status, 0);
  int channels = 0;
  std::vector<int16_t> wav = Decode(At("t.wav"), &channels);
  EXPECT_EQ(wav.size(), 441000u);
  EXPECT_EQ(Decode(At("t.flac"), &channels), wav);
  EXPECT_LT(fs::file_size(At("t.flac")), fs::file_size(At("t.wav")));
}

TEST_F(FormatsTest, AnUnknownFormatCreatesNothing) {
  for (const char *args : {"sine -o t.ogg", "sine --format foo -o x.wav", "sine --format ogg -o -"}) {
    Outcome o = Shell(args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_NE(o.err.find("Try 'tonbrook-render --help'."), std::string::npos) << o.err;
  }
  EXPECT_TRUE(fs::is_empty(m_dir));
}

// A gain multiplies each sample by 10^(dB/20) in double precision and rounds
// to the nearest integer, halves away from zero; 0 dB changes nothing.
TEST_F(FormatsTest, GainScalesAndRoundsEachSample) {
  ASSERT_EQ(Shell("pink --tick 3 -q --raw -o plain.raw").status, 0);
  ASSERT_EQ(Shell("pink --tick 3 -q --raw --gain 0 -o zero.raw").status, 0);
  ASSERT_EQ(Shell("pink --tick 3 -q --raw --gain=-0 -o minus-zero.raw").status, 0);
  EXPECT_EQ(Slurp(At("zero.raw")), Slurp(At("plain.raw")));
  EXPECT_EQ(Slurp(At("minus-zero.raw")), Slurp(At("plain.raw")));

  std::vector<int16_t> plain = Reference(WF_PINK_NOISE, 500.0f, 44100, 8192, 3);
  for (double db : {-6.0, -0.1, -20.5, -200.0}) {
    std::ostringstream args;
    args << "pink --tick 3 -q --raw --gain " << db << " -o g.raw";
    ASSERT_EQ(Shell(args.str()).status, 0) << db;
    int channels = 0;
    std::vector<int16_t> got = Decode(At("g.raw"), &channels);
    ASSERT_EQ(got.size(), plain.size());
    double factor = std::pow(10.0, db / 20.0);
    for (size_t i = 0; i < got.size(); i++) ASSERT_EQ(got[i], (int16_t)std::round(plain[i] * factor)) << db << " " << i;
  }
  // The square's full scale at -6 dB: 32750 * 0.50118723... = 16413.88.
  ASSERT_EQ(Shell("square 1000 -q --raw --gain -6 -o sq.raw").status, 0);
  int channels = 0;
  std::vector<int16_t> sq = Decode(At("sq.raw"), &channels);
  EXPECT_EQ(*std::max_element(sq.begin(), sq.end()), 16414);
  EXPECT_EQ(*std::min_element(sq.begin(), sq.end()), -16414);
  Outcome o = Shell("square 1000 --gain -6");
  EXPECT_NE(o.err.find("peak:      -6.00 dBFS (16414)"), std::string::npos) << o.err;
}

TEST_F(FormatsTest, TheSignalGoesToTheChannelsAsked) {
  std::vector<int16_t> mono = Reference(WF_TRIANGLE, 440.0f, 44100, 8192, 0);
  const struct {
    const char *args;
    bool left, right;
  } cases[] = {
      {"--channels 2", true, true},
      {"--channel both", true, true},
      {"--channel left", true, false},
      {"--channels 2 --channel right", false, true},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(Shell(std::string("triangle 440 -q -o s.wav ") + c.args).status, 0) << c.args;
    int channels = 0;
    std::vector<int16_t> got = Decode(At("s.wav"), &channels);
    ASSERT_EQ(channels, 2) << c.args;
    ASSERT_EQ(got.size(), 2 * mono.size());
    for (size_t i = 0; i < mono.size(); i++) {
      ASSERT_EQ(got[2 * i], c.left ? mono[i] : 0) << c.args << " " << i;
      ASSERT_EQ(got[2 * i + 1], c.right ? mono[i] : 0) << c.args << " " << i;
    }
  }
}

TEST_F(FormatsTest, ExactChoosesTheShortestBufferThatHoldsTheFrequency) {
  Outcome o = Shell("sine 440 --exact -o e.wav");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.err.find("frequency: 440 Hz requested, 440 Hz snapped (exact)\n"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("cycles:    22 per buffer of 2205 samples at 44100 Hz\n"), std::string::npos) << o.err;
  int channels = 0;
  EXPECT_EQ(Decode(At("e.wav"), &channels), Reference(WF_SINE, 440.0f, 44100, 2205, 0));

  o = Shell("sine 1000 --exact --rate 48000 --seconds 1 -q -o e.wav");
  ASSERT_EQ(o.status, 0) << o.err;
  std::vector<int16_t> loop = Reference(WF_SINE, 1000.0f, 48000, 48, 0);
  std::vector<int16_t> got = Decode(At("e.wav"), &channels);
  ASSERT_EQ(got.size(), 48000u);
  for (size_t i = 0; i < got.size(); i++) ASSERT_EQ(got[i], loop[i % 48]) << i;

  // Below one cycle of the longest buffer, no length can hold it.
  o = Shell("sine 0.01 --exact -o none.wav");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err,
            "tonbrook-render: no loop buffer of up to 1048576 samples holds 0.00999999977648258209 Hz exactly at "
            "44100 Hz\nTry 'tonbrook-render --help'.\n");
  EXPECT_FALSE(fs::exists(At("none.wav")));
}

TEST_F(FormatsTest, TheSummarySaysHowFarTheSnapMovedAndWarnsOfAliasesAndRaisedFrequencies) {
  // What standard error begins with (or, unless first, holds somewhere).
  const struct {
    const char *args;
    const char *said;
    bool first;
  } cases[] = {
      {"sine 440", "frequency: 440 Hz requested, 436.04736328125 Hz snapped (-3.95 Hz, -15.6 cents)\n", false},
      {"sine 30000", "tonbrook-render: warning: 30000 Hz is above half the sample rate (22050 Hz) and aliases\n", true},
      {"square 2", "tonbrook-render: warning: 2 Hz is below one cycle per loop buffer; it is raised to 5.38330078125 Hz\n",
       true},
      {"sine --length 1",
       "tonbrook-render: warning: 500 Hz is below one cycle per loop buffer; it is raised to 44100 Hz, which is above "
       "half the sample rate (22050 Hz) and aliases\n",
       true},
      {"white 30000", "(not used by this waveform)", false},
  };
  for (const auto &c : cases) {
    std::string err = Shell(c.args).err;
    size_t at = err.find(c.said);
    EXPECT_TRUE(c.first ? at == 0 : at != std::string::npos) << c.args << ": " << err;
  }
  EXPECT_EQ(Shell("square 2 -q").err, "");
  EXPECT_EQ(Shell("white 30000").err.find("warning"), std::string::npos);
}

TEST_F(FormatsTest, VersionAndDurations) {
  Outcome o = Shell("--version > v.txt");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(Slurp(At("v.txt")), "tonbrook-render 1.3.0\n");
  for (const char *d : {"500ms", "0:00.5", "0:0:0.5"}) {
    o = Shell(std::string("sine --seconds ") + d);
    EXPECT_NE(o.err.find("length:    22050 samples (0.500 s)"), std::string::npos) << d << o.err;
  }
}

}  // namespace
