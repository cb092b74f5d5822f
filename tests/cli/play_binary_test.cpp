// Runs the built tonbrook-render --play on SDL's disk audio driver, which
// writes what the device plays to a file, and on a machine without audio.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(PlayBinaryTest, WithoutAnAudioDeviceItSaysSoOnOneLine) {
  std::string err;
  EXPECT_EQ(Run("TONBROOK_WAVE=null", "sine 1000 --play --seconds 1 -q", &err), 1);
  EXPECT_EQ(err, "tonbrook-render: no audio output device takes 16-bit mono PCM at 44100 Hz\n");
}

}  // namespace
