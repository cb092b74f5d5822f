// Runs the built tonbrook-render and checks what it leaves on disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "cli_fixture.h"
#include "kernel/kernel.h"
#include "common/reference.h"
#include "sound.h"
#include "synth.h"

namespace {

using namespace clitest;
using RenderBinaryTest = ToolTest;

uint32_t Le32(const std::string &b, size_t at) {
  return (uint8_t)b[at] | (uint8_t)b[at + 1] << 8 | (uint8_t)b[at + 2] << 16 | (uint32_t)(uint8_t)b[at + 3] << 24;
}
uint16_t Le16(const std::string &b, size_t at) { return (uint16_t)((uint8_t)b[at] | (uint8_t)b[at + 1] << 8); }

TEST_F(RenderBinaryTest, WritesAMonoSixteenBitWavOfOneLoopBuffer) {
  Outcome o = Shell("sine 500 -o x.wav");
  ASSERT_EQ(o.status, 0) << o.err;
  std::string b = Slurp(m_dir + "/x.wav");
  ASSERT_EQ(b.size(), 44u + 16384u);
  EXPECT_EQ(b.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(b, 4), 36u + 16384u);
  EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le32(b, 16), 16u);
  EXPECT_EQ(Le16(b, 20), 1);  // PCM
  EXPECT_EQ(Le16(b, 22), 1);  // mono
  EXPECT_EQ(Le32(b, 24), 44100u);
  EXPECT_EQ(Le32(b, 28), 88200u);
  EXPECT_EQ(Le16(b, 32), 2);
  EXPECT_EQ(Le16(b, 34), 16);
  EXPECT_EQ(b.substr(36, 4), "data");
  EXPECT_EQ(Le32(b, 40), 16384u);

  std::vector<int16_t> v = Le16Samples(b, 44);
  EXPECT_EQ(v, Reference(WF_SINE, 500.0f, 44100, 8192, 0));
  EXPECT_EQ(std::vector<int16_t>(v.begin(), v.begin() + 3), (std::vector<int16_t>{0, 2309, 4606}));

  EXPECT_NE(o.err.find("495.263671875 Hz snapped"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("92 per buffer"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("peak:      -0.00 dBFS (32750)"), std::string::npos) << o.err;
  EXPECT_EQ(Listing(), std::vector<std::string>{"x.wav"});
  struct stat st;
  ASSERT_EQ(stat((m_dir + "/x.wav").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~[] { mode_t m = umask(0); umask(m); return m; }());
}

TEST_F(RenderBinaryTest, EveryWaveformMatchesTheRendererAtOtherDimensions) {
  const struct {
    const char *args;
    int code;
    float hz;
    int rate, length;
  } cases[] = {
      {"triangle 997 --rate 48000 --length 4096", WF_TRIANGLE, 997.0f, 48000, 4096},
      {"sawtooth 12345 --rate 22050 --length 1000", WF_SAWTOOTH, 12345.0f, 22050, 1000},
      {"square 333.3 --rate 96000 --length 16384", WF_SQUARE, 333.3f, 96000, 16384},
      {"sweep --rate 8000 --length 1001", WF_SWEEP, 500.0f, 8000, 1001},
      {"impulse 1 --length 7", WF_IMPULSE, 1.0f, 44100, 7},
      {"6 16000", WF_SQUARE, 16000.0f, 44100, 8192},
      {"white --rate 32000 --length 3000 --tick 777", WF_WHITE_NOISE, 500.0f, 32000, 3000},
      {"pink --length 5000 --tick 12", WF_PINK_NOISE, 500.0f, 44100, 5000},
      {"8 --length 10", 8, 500.0f, 44100, 10},
  };
  for (const auto &c : cases) {
    Outcome o = Shell(std::string(c.args) + " -q -o out.wav");
    ASSERT_EQ(o.status, 0) << c.args << ": " << o.err;
    EXPECT_EQ(o.err, "") << c.args;
    std::vector<int16_t> v = Le16Samples(Slurp(m_dir + "/out.wav"), 44);
    DWORD tick = c.code == WF_WHITE_NOISE ? 777 : 12;
    EXPECT_EQ(v, Reference(c.code, c.hz, c.rate, c.length, tick)) << c.args;
  }
}

TEST_F(RenderBinaryTest, SecondsRepeatTheLoopAndCutTheLastPass) {
  ASSERT_EQ(Shell("sawtooth 1000 --seconds 0.5 -o s.wav").status, 0);
  std::vector<int16_t> v = Le16Samples(Slurp(m_dir + "/s.wav"), 44);
  ASSERT_EQ(v.size(), 22050u);
  std::vector<int16_t> loop = Reference(WF_SAWTOOTH, 1000.0f, 44100, 8192, 0);
  for (size_t i = 0; i < v.size(); i++) ASSERT_EQ(v[i], loop[i % 8192]) << i;
}

// Pink noise is rendered two passes at a time; each is still its own.
TEST_F(RenderBinaryTest, NoiseIsRenderedAfreshForEveryPassAtItsTick) {
  for (const auto &[name, code] : {std::pair<const char *, int>{"white", WF_WHITE_NOISE}, {"pink", WF_PINK_NOISE}}) {
    // Passes of 4410 samples at 44100 Hz are 100 ms apart.
    ASSERT_EQ(Shell(std::string(name) + " --length 4410 --seconds 0.25 --tick 4294967200 --raw -o n.raw").status, 0);
    std::vector<int16_t> v = Le16Samples(Slurp(m_dir + "/n.raw"), 0);
    ASSERT_EQ(v.size(), 11025u);
    for (int pass = 0; pass < 3; pass++) {
      std::vector<int16_t> expect = Reference(code, 0.0f, 44100, 4410, 4294967200u + pass * 100u);
      size_t n = std::min<size_t>(4410, v.size() - pass * 4410);
      EXPECT_TRUE(std::equal(expect.begin(), expect.begin() + n, v.begin() + pass * 4410)) << name << " " << pass;
    }
  }
}

TEST_F(RenderBinaryTest, RawAndStandardOutputCarryTheSameSamples) {
  ASSERT_EQ(Shell("triangle 440 --raw -o t.raw").status, 0);
  ASSERT_EQ(Shell("triangle 440 -o - > t.wav").status, 0);
  std::string raw = Slurp(m_dir + "/t.raw"), wav = Slurp(m_dir + "/t.wav");
  ASSERT_EQ(raw.size(), 16384u);
  EXPECT_EQ(wav.substr(44), raw);
  EXPECT_EQ(Le16Samples(raw, 0), Reference(WF_TRIANGLE, 440.0f, 44100, 8192, 0));
  EXPECT_EQ(Shell("sine --raw -o - -q | wc -c > count").status, 0);
  EXPECT_EQ(Slurp(m_dir + "/count"), "16384\n");
}

TEST_F(RenderBinaryTest, BadInputExitsTwoAndLeavesFilesAlone) {
  std::ofstream(m_dir + "/keep.wav") << "precious";
  fs::create_directory(m_dir + "/folder");
  chmod((m_dir + "/folder").c_str(), 0500);
  const char *bad[] = {
      "noise -o keep.wav",          "sine 500x -o keep.wav",       "sine nan -o keep.wav",
      "sine 300000 -o keep.wav",    "sine --rate 100 -o keep.wav", "sine --length 0 -o keep.wav",
      "sine --seconds 0 -o keep.wav", "-o keep.wav",               "sine -o folder",
      "sine -o no/such/dir/x.wav",  "sine -o folder/x.wav",        "sine --tick x -o keep.wav",
      "sine --raw --format wav -o keep.wav", "-- -o keep.wav",
  };
  bool root = geteuid() == 0;
  for (const char *args : bad) {
    if (root && std::string(args) == "sine -o folder/x.wav") continue;  // root writes anywhere
    Outcome o = Shell(args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_EQ(o.err.rfind("tonbrook-render: ", 0), 0u) << args << ": " << o.err;
    EXPECT_NE(o.err.find("\nTry 'tonbrook-render --help'.\n"), std::string::npos) << args;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 2) << args << ": " << o.err;
  }
  EXPECT_EQ(Slurp(m_dir + "/keep.wav"), "precious");
  EXPECT_EQ(Listing(), (std::vector<std::string>{"folder", "keep.wav"}));
  EXPECT_TRUE(fs::is_empty(m_dir + "/folder"));
  chmod((m_dir + "/folder").c_str(), 0700);
}

// The file being written is unnamed until it is complete, so not even a
// kill leaves anything; an interrupt ends the tool by that signal, as a
// shell loop expects, rendering or playing; a hang-up ignored from the
// start (nohup) stays ignored.
TEST_F(RenderBinaryTest, AnInterruptEndsTheToolByItsSignalAndLeavesNothingBehind) {
  const std::vector<const char *> kRender{"white", "--rate", "384000", "--seconds", "86400", "--raw", "-o", "long.raw"};
  const std::vector<const char *> kPlay{"sine", "--play", "-q"};
  const struct {
    const std::vector<const char *> &args;
    std::vector<int> sent;
    bool hangUpIgnored;
  } cases[] = {
      {kRender, {SIGINT}, false},         {kRender, {SIGTERM}, false}, {kRender, {SIGKILL}, false},
      {kRender, {SIGHUP, SIGINT}, true},  {kPlay, {SIGINT}, false},    {kPlay, {SIGHUP, SIGTERM}, true},
  };
  for (const auto &c : cases) {
    std::string what = std::string(c.args[0]) + " " + strsignal(c.sent.back());
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(m_dir.c_str()) != 0) _exit(99);
      if (c.hangUpIgnored) signal(SIGHUP, SIG_IGN);
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      std::vector<char *> argv{(char *)TONBROOK_RENDER};
      for (const char *a : c.args) argv.push_back((char *)a);
      argv.push_back(nullptr);
      execv(TONBROOK_RENDER, argv.data());
      _exit(98);
    }
    // Wait until the tool holds a file in the folder (or, playing, a
    // moment), then send the signals.
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    bool writing = false;
    for (int i = 0; i < (c.args == kPlay ? 300 : 5000) && !writing; i++) {
      std::error_code ec;
      for (auto it = fs::directory_iterator(fds, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        writing = writing || fs::read_symlink(it->path(), ec).string().rfind(m_dir + "/", 0) == 0;
      if (!writing) usleep(1000);
    }
    for (int sig : c.sent) {
      kill(pid, sig);
      usleep(100000);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(writing || c.args == kPlay) << what;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sent.back()) << what << ": status " << status;
    EXPECT_TRUE(Listing().empty()) << what;
  }
}

TEST_F(RenderBinaryTest, HelpGoesToStandardOutputAndAFullOneIsAnError) {
  Outcome o = Shell("--help > help.txt");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(Slurp(m_dir + "/help.txt").rfind("usage: tonbrook-render WAVEFORM", 0), 0u);
  if (geteuid() != 0) GTEST_SKIP() << "making a full device node needs root";
  ASSERT_EQ(mknod(At("full").c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  for (const char *args : {"--help > full", "--version > full", "--list-devices > full"}) {
    o = Shell(args, "SDL_AUDIODRIVER=dummy");
    EXPECT_EQ(o.status, 1) << args;
    EXPECT_EQ(o.err, "tonbrook-render: cannot write to standard output: No space left on device\n") << args;
  }
}

// "--" ends the options; names the tool echoes are shown with their
// control characters escaped.
TEST_F(RenderBinaryTest, OptionsEndAtTwoDashesAndControlCharactersAreEscaped) {
  Outcome o = Run({"-q", "-o", "-x.wav", "--", "sine", "-440"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(Listing(), std::vector<std::string>{"-x.wav"});
  o = Run({"sine", "-o", "bad\x1b[2Jname\x7f.ogg"});
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("tonbrook-render: unknown file extension in 'bad\\x1b[2Jname\\x7f.ogg' (use --format)\n", 0),
            0u)
      << o.err;
  o = Run({"si\u009bne"});
  EXPECT_EQ(o.err.rfind("tonbrook-render: unknown waveform 'si\\x9bne'\n", 0), 0u) << o.err;
}

}  // namespace
