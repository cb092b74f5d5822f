// Runs the built tonbrook-render --play on SDL's disk audio driver, which
// writes what the device plays to a file, and on a machine without audio.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sound.h"
#include "synth.h"

namespace fs = std::filesystem;

namespace {

class PlayBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tonbrook-play-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with env and args (shell words); returns its exit status
  // and sets *err to what it wrote on standard error.
  int Run(const std::string &env, const std::string &args, std::string *err) {
    std::string errPath = dir_ + "/err";
    std::string cmd = "cd '" + dir_ + "' && env " + env + " '" TONBROOK_RENDER "' " + args + " 2>'" + errPath + "'";
    int rc = std::system(cmd.c_str());
    std::ifstream in(errPath);
    std::stringstream ss;
    ss << in.rdbuf();
    *err = ss.str();
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  std::string dir_;
};

// The loop buffer the program plays for a sine of hz, rendered in process.
std::vector<int16_t> SineLoop(float hz) {
  std::vector<SHORT> buf(8192, 0);
  g_GenParams.fFrequency = hz;
  SnapFrequency();
  g_nBufferSamples = 8192;
  g_cbOutBuffer = sizeof(SHORT) * 8192;
  g_pOutData[0] = buf.data();
  g_nOutBuffers = 1;
  GenerateWaveform(WF_SINE, g_GenParams.fFrequency);
  g_pOutData[0] = NULL;
  g_nOutBuffers = 0;
  return std::vector<int16_t>(buf.begin(), buf.end());
}

std::vector<int16_t> ReadSamples(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> v(bytes.size() / 2);
  for (size_t i = 0; i < v.size(); i++) v[i] = (int16_t)((uint8_t)bytes[2 * i] | (uint8_t)bytes[2 * i + 1] << 8);
  return v;
}

TEST_F(PlayBinaryTest, TheDevicePlaysTheLoopBufferOverAndOverWithoutASeam) {
  std::string err;
  std::string file = dir_ + "/played.raw";
  ASSERT_EQ(Run("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + file + "'", "sine 1000 --play --seconds 2", &err), 0)
      << err;
  EXPECT_NE(err.find("995.91064453125 Hz snapped"), std::string::npos) << err;

  // The disk driver writes the device's format raw: signed 16-bit
  // little-endian mono at 44100 Hz, as opened. SDL's thread writes a period
  // of silence whenever the device has nothing to play, so the file may start
  // with periods played between the open (which pauses the device) and the
  // write, and end with periods after the stop. The loop then starts at the
  // first non-zero sample less the zeros that open the loop buffer itself.
  std::vector<int16_t> loop = SineLoop(1000.0f);
  std::vector<int16_t> played = ReadSamples(file);
  size_t nLead = 0;
  while (loop[nLead] == 0) nLead++;
  size_t nFirst = 0;
  while (nFirst < played.size() && played[nFirst] == 0) nFirst++;
  ASSERT_GE(nFirst, nLead) << "nothing played";
  size_t nStart = nFirst - nLead;

  size_t n = 0;
  while (nStart + n < played.size() && played[nStart + n] == loop[n % loop.size()]) n++;
  for (size_t i = nStart + n; i < played.size(); i++) ASSERT_EQ(played[i], 0) << "sample " << i << " after the loop";
  // Several seams, each one exact: every pass is the whole buffer, from its
  // first sample, and the next pass follows it at once.
  EXPECT_GE(n, 3 * loop.size()) << "played " << n << " samples of the loop";
}

TEST_F(PlayBinaryTest, OneSpeakerAtATime) {
  std::vector<int16_t> loop = SineLoop(1000.0f);
  for (const char *side : {"left", "right"}) {
    std::string err, file = dir_ + "/" + side + ".raw";
    ASSERT_EQ(Run("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + file + "'",
                  std::string("sine 1000 --play --seconds 1 -q --channel ") + side, &err),
              0)
        << err;
    // Two channels as opened: the one asked for plays the loop, the other
    // stays silent.
    std::vector<int16_t> played = ReadSamples(file);
    std::vector<int16_t> heard, silent;
    bool left = std::string(side) == "left";
    for (size_t i = 0; i + 1 < played.size(); i += 2) {
      heard.push_back(played[i + (left ? 0 : 1)]);
      silent.push_back(played[i + (left ? 1 : 0)]);
    }
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; })) << side;
    size_t nLead = 0, nFirst = 0;
    while (loop[nLead] == 0) nLead++;
    while (nFirst < heard.size() && heard[nFirst] == 0) nFirst++;
    ASSERT_GE(nFirst, nLead) << side << ": nothing played";
    size_t n = 0;
    while (nFirst - nLead + n < heard.size() && heard[nFirst - nLead + n] == loop[n % loop.size()]) n++;
    EXPECT_GE(n, 2 * loop.size()) << side;
  }
}

TEST_F(PlayBinaryTest, ListsTheDevicesAndPlaysOnOneByNumberOrName) {
  std::string err;
  ASSERT_EQ(Run("SDL_AUDIODRIVER=dummy", "--list-devices > list.txt", &err), 0) << err;
  std::ifstream in(dir_ + "/list.txt");
  std::stringstream list;
  list << in.rdbuf();
  EXPECT_EQ(list.str(), "0: Default output device\n1: System audio output device\n");

  EXPECT_EQ(Run("SDL_AUDIODRIVER=dummy", "sine --device 1 --seconds 0.2", &err), 0) << err;
  EXPECT_NE(err.find("playing:   0.2 s on output device 1\n"), std::string::npos) << err;
  EXPECT_EQ(Run("SDL_AUDIODRIVER=dummy", "sine --device 'system AUDIO' --seconds 0.2 -q", &err), 0) << err;
  EXPECT_EQ(Run("SDL_AUDIODRIVER=dummy", "pink --device 0 --gain -10 --seconds 0.2 -q", &err), 0) << err;

  EXPECT_EQ(Run("SDL_AUDIODRIVER=dummy", "sine --device speakers --seconds 0.2 -q", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no output device named 'speakers' (see --list-devices)\n");
  EXPECT_EQ(Run("SDL_AUDIODRIVER=dummy", "sine --device 2 --seconds 0.2 -q", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no output device 2 (devices 0 to 1)\n");
  EXPECT_EQ(Run("TONBROOK_WAVE=null", "--list-devices", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no audio output device\n");
  EXPECT_EQ(Run("TONBROOK_WAVE=null", "sine --channel left --play --seconds 1 -q", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no audio output device takes 16-bit stereo PCM at 44100 Hz\n");
}

TEST_F(PlayBinaryTest, WithoutAnAudioDeviceItSaysSoOnOneLine) {
  std::string err;
  EXPECT_EQ(Run("TONBROOK_WAVE=null", "sine 1000 --play --seconds 1 -q", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no audio output device takes 16-bit mono PCM at 44100 Hz\n");
}

}  // namespace
