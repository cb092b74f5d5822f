#include <gtest/gtest.h>

#include "options.h"
#include "signal_stats.h"
#include "synth.h"

namespace {

cli::ParseResult Parse(std::vector<std::string> args) { return cli::ParseCommandLine(args); }

TEST(CommandLine, TakesWaveformsByNameOrCodeWithTheirDefaults) {
  cli::ParseResult r = Parse({"sine"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.waveform, WF_SINE);
  EXPECT_EQ(r.options.requestedHz, 500.0f);
  EXPECT_EQ(r.options.rate, 44100);
  EXPECT_EQ(r.options.length, 8192);
  EXPECT_FALSE(r.options.seconds);
  EXPECT_FALSE(r.options.tick);
  EXPECT_FALSE(r.options.outputPath);

  const std::pair<const char *, int> names[] = {{"square", WF_SQUARE},  {"triangle", WF_TRIANGLE},
                                                {"sawtooth", WF_SAWTOOTH}, {"white", WF_WHITE_NOISE},
                                                {"pink", WF_PINK_NOISE},   {"impulse", WF_IMPULSE},
                                                {"sweep", WF_SWEEP},       {"8", 8},
                                                {"-3", -3}};
  for (auto [name, code] : names) EXPECT_EQ(Parse({name}).options.waveform, code) << name;
  EXPECT_EQ(Parse({"9"}).options.waveformName, "triangle");
}

TEST(CommandLine, TakesEveryOptionInBothSpellings) {
  cli::ParseResult r = Parse({"pink", "1e3", "--rate", "48000", "--length=4096", "--seconds", "2.5",
                              "--tick=4294967295", "-o", "out.raw", "--raw", "-q"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.requestedHz, 1000.0f);
  EXPECT_EQ(r.options.rate, 48000);
  EXPECT_EQ(r.options.length, 4096);
  EXPECT_EQ(*r.options.seconds, 2.5);
  EXPECT_EQ(*r.options.tick, 4294967295u);
  EXPECT_EQ(*r.options.outputPath, "out.raw");
  EXPECT_TRUE(r.options.raw);
  EXPECT_TRUE(r.options.quiet);
  EXPECT_EQ(Parse({"sine", "-20"}).options.requestedHz, -20.0f);
  EXPECT_TRUE(Parse({"--help"}).options.help);
}

TEST(CommandLine, NamesTheFaultOfABadLine) {
  const std::pair<std::vector<std::string>, const char *> bad[] = {
      {{}, "missing WAVEFORM"},
      {{"noise"}, "unknown waveform 'noise'"},
      {{"sine", "500x"}, "frequency '500x' is not a number"},
      {{"sine", "nan"}, "frequency 'nan' is not a number"},
      {{"sine", "inf"}, "frequency 'inf' is not a number"},
      {{"sine", "1e999"}, "frequency '1e999' is not a number"},
      {{"sine", "0x10"}, "frequency '0x10' is not a number"},
      {{"sine", " 5"}, "frequency ' 5' is not a number"},
      {{"sine", "300000"}, "frequency 300000 Hz is out of range for 8192-sample buffers at 44100 Hz"},
      {{"sine", "5000", "--length", "1048576"}, "frequency 5000 Hz is out of range for 1048576-sample buffers at 44100 Hz"},
      {{"sine", "--rate", "999"}, "--rate 999 is out of range (1000 to 384000)"},
      {{"sine", "--rate", "384001"}, "--rate 384001 is out of range (1000 to 384000)"},
      {{"sine", "--rate", "44.1k"}, "--rate '44.1k' is not a whole number"},
      {{"sine", "--length", "0"}, "--length 0 is out of range (1 to 1048576)"},
      {{"sine", "--length", "1048577"}, "--length 1048577 is out of range (1 to 1048576)"},
      {{"sine", "--seconds", "0"}, "--seconds 0 is out of range (above 0, at most 86400)"},
      {{"sine", "--seconds", "86400.5"}, "--seconds 86400.5 is out of range (above 0, at most 86400)"},
      {{"sine", "--seconds", "nan"}, "--seconds 'nan' is not a duration (S, 500ms, M:SS or H:MM:SS)"},
      {{"sine", "--seconds", "1:60"}, "--seconds '1:60' is not a duration (S, 500ms, M:SS or H:MM:SS)"},
      {{"sine", "--seconds", "24:00:01"}, "--seconds 24:00:01 is out of range (above 0, at most 86400)"},
      {{"sine", "--seconds", "0ms"}, "--seconds 0ms is out of range (above 0, at most 86400)"},
      {{"sine", "--gain", "0.5"}, "--gain 0.5 is above 0 dB; the signals already reach full scale"},
      {{"sine", "--gain", "-inf"}, "--gain '-inf' is not a number"},
      {{"sine", "--channels", "3"}, "--channels 3 is out of range (1 to 2)"},
      {{"sine", "--channel", "middle"}, "--channel 'middle' is not left, right or both"},
      {{"sine", "--channels", "1", "--channel", "left"}, "--channel needs two channels; it cannot be combined with --channels 1"},
      {{"sine", "--format", "ogg", "-o", "x"}, "unknown format 'ogg' (wav, rf64, flac, aiff, caf, w64 or raw)"},
      {{"sine", "--format", "wav"}, "--format needs -o FILE"},
      {{"sine", "-o", "t.ogg"}, "unknown file extension in 't.ogg' (use --format)"},
      {{"sine", "--exact", "--length", "100"}, "--exact chooses the length; it cannot be combined with --length"},
      {{"sine", "--device", ""}, "--device needs a number or a name"},
      {{"sine", "--device", "1", "-o", "x.wav"}, "--play cannot be combined with -o"},
      {{"sine", "--seconds", "86400", "--rate", "384000", "-o", "x.aiff"}, "--seconds 86400 is too long for an AIFF file at 384000 Hz (use w64, caf or rf64)"},
      {{"sine", "--tick", "-1"}, "--tick '-1' is not a tick count (0 to 4294967295)"},
      {{"sine", "--tick", "4294967296"}, "--tick '4294967296' is not a tick count (0 to 4294967295)"},
      {{"sine", "--rate"}, "--rate needs a value"},
      {{"sine", "--loud"}, "unknown option '--loud'"},
      {{"sine", "500", "600"}, "unexpected argument '600'"},
      {{"sine", "--raw"}, "--raw needs -o FILE"},
      {{"sine", "-o", ""}, "-o needs a file name"},
      {{"sine", "--play", "-o", "x.wav"}, "--play cannot be combined with -o"},
      {{"white", "--play", "--tick", "5"}, "--play seeds the noise from the clock; --tick is for files"},
  };
  for (const auto &[args, error] : bad) EXPECT_EQ(Parse(args).error, error);
}

TEST(CommandLine, ChoosesTheContainerByFormatExtensionOrLength) {
  const std::pair<std::vector<std::string>, cli::Container> cases[] = {
      {{"sine", "-o", "x.wav"}, cli::Container::kWav},
      {{"sine", "-o", "x"}, cli::Container::kWav},
      {{"sine", "-o", "-"}, cli::Container::kWav},
      {{"sine", "-o", "dir.d/x.FLAC"}, cli::Container::kFlac},
      {{"sine", "-o", "x.aif"}, cli::Container::kAiff},
      {{"sine", "-o", "x.caf"}, cli::Container::kCaf},
      {{"sine", "-o", "x.w64"}, cli::Container::kW64},
      {{"sine", "-o", "x.rf64"}, cli::Container::kRf64},
      {{"sine", "-o", "x.pcm"}, cli::Container::kRaw},
      {{"sine", "-o", "x.wav", "--raw"}, cli::Container::kRaw},
      {{"sine", "-o", "x.ogg", "--format", "FLAC"}, cli::Container::kFlac},
      {{"sine", "-o", "-", "--format=caf"}, cli::Container::kCaf},
      // 4 GiB of samples: a WAV becomes RF64; half as long fits as stereo.
      {{"sine", "--seconds", "86400", "-o", "x.wav"}, cli::Container::kRf64},
      {{"sine", "--seconds", "24000", "-o", "x.wav", "--channels", "2"}, cli::Container::kWav},
      {{"sine", "--seconds", "24400", "-o", "x.wav", "--channels", "2"}, cli::Container::kRf64},
      {{"sine", "--seconds", "86400", "--rate", "8000", "-o", "x.wav"}, cli::Container::kWav},
  };
  for (const auto &[args, container] : cases) {
    cli::ParseResult r = Parse(args);
    EXPECT_EQ(r.error, "") << args.back();
    EXPECT_EQ(r.options.container, container) << args[args.size() - 1];
  }
  EXPECT_TRUE(Parse({"sine", "-o", "x.raw"}).options.raw);
}

TEST(CommandLine, ReadsDurationsInSecondsMillisecondsAndClockForms) {
  const std::pair<const char *, double> good[] = {
      {"2.5", 2.5},    {"500ms", 0.5},       {"1.5ms", 0.0015}, {"1:30", 90.0},        {"0:00.25", 0.25},
      {"59:59", 3599}, {"1:02:03.5", 3723.5}, {"24:00:00", 86400}, {"100:00", 6000.0}, {"1e1", 10.0},
  };
  for (auto [text, seconds] : good) {
    std::optional<double> d = cli::ParseDuration(text);
    ASSERT_TRUE(d.has_value()) << text;
    EXPECT_DOUBLE_EQ(*d, seconds) << text;
  }
  for (const char *bad : {"", "ms", "1:60", "1:5:60", "1::2", ":5", "1:", "1:2:3:4", "1:2e1", "1:-2", "-1:30",
                          "1:.5", "1:2.3.4", "1 :30", "1:030", "x", "0x1:00"})
    EXPECT_FALSE(cli::ParseDuration(bad).has_value()) << bad;
}

TEST(CommandLine, TakesTheNewOptions) {
  cli::ParseResult r = Parse({"sine", "--gain", "-6", "--channel", "right", "--exact", "--seconds", "1:30"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.gainDb, -6.0);
  EXPECT_EQ(r.options.channels, 2);
  EXPECT_EQ(r.options.placement, cli::Placement::kRight);
  EXPECT_TRUE(r.options.exact);
  EXPECT_EQ(*r.options.seconds, 90.0);
  r = Parse({"sine", "--device", "Speakers", "--seconds", "1"});
  ASSERT_EQ(r.error, "");
  EXPECT_TRUE(r.options.play);
  EXPECT_EQ(*r.options.device, "Speakers");
  EXPECT_TRUE(Parse({"--list-devices"}).options.listDevices);
  EXPECT_TRUE(Parse({"--version"}).options.version);
  EXPECT_EQ(Parse({"sine", "--channels", "2"}).options.placement, cli::Placement::kBoth);
}

TEST(CommandLine, PlaysForSomeSecondsOrUntilStopped) {
  cli::ParseResult r = Parse({"sine", "1000", "--play", "--seconds", "2"});
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(r.options.play);
  EXPECT_EQ(*r.options.seconds, 2.0);
  r = Parse({"pink", "--play"});
  EXPECT_EQ(r.error, "");
  EXPECT_FALSE(r.options.seconds.has_value());
  EXPECT_FALSE(Parse({"sine"}).options.play);
}

TEST(CommandLine, AcceptsTheLargestFrequencyTheSnapCanTake) {
  // 8192 * 262143 fits 32 bits, 8192 * 262144 does not.
  EXPECT_EQ(Parse({"sine", "262143"}).error, "");
  EXPECT_NE(Parse({"sine", "262144"}).error, "");
  EXPECT_NE(Parse({"sine", "-262145"}).error, "");
}

TEST(SignalLevels, AreRelativeToSixteenBitFullScale) {
  cli::SignalStats stats;
  EXPECT_EQ(cli::FormatDbfs(stats.PeakDbfs()), "-inf dBFS");
  EXPECT_EQ(cli::FormatDbfs(stats.RmsDbfs()), "-inf dBFS");
  const int16_t square[] = {-32768, 32767, -32768, 32767};
  stats.Add(square, 4);
  EXPECT_EQ(stats.Peak(), 32768);
  EXPECT_EQ(cli::FormatDbfs(stats.PeakDbfs()), "0.00 dBFS");
  EXPECT_EQ(cli::FormatDbfs(stats.RmsDbfs()), "-0.00 dBFS");
  const int16_t half[] = {16384};
  cli::SignalStats one;
  one.Add(half, 1);
  EXPECT_EQ(cli::FormatDbfs(one.PeakDbfs()), "-6.02 dBFS");
}

TEST(SignalLevels, FrequenciesPrintAsTheirExactValue) {
  EXPECT_EQ(cli::FormatHz(495.263671875f), "495.263671875");
  EXPECT_EQ(cli::FormatHz(5.38330078125f), "5.38330078125");
  EXPECT_EQ(cli::FormatHz(1000.0f), "1000");
  EXPECT_EQ(cli::FormatHz(44100.0f / 1048576.0f), "0.042057037353515625");
}

}  // namespace
