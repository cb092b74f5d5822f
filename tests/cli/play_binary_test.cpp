// Runs the built tonbrook-render --play on SDL's disk audio driver, which
// writes what the device plays to a file, and on a machine without audio.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "sound.h"
#include "synth.h"

namespace {

using namespace clitest;
using PlayBinaryTest = ToolTest;

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

TEST_F(PlayBinaryTest, TheDevicePlaysTheLoopBufferOverAndOverWithoutASeam) {
  Outcome o;
  std::string file = m_dir + "/played.raw";
  ASSERT_EQ((o = Shell("sine 1000 --play --seconds 2", "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + file + "'")).status, 0)
      << o.err;
  EXPECT_NE(o.err.find("995.91064453125 Hz snapped"), std::string::npos) << o.err;

  // The disk driver writes the device's format raw: signed 16-bit
  // little-endian mono at 44100 Hz, as opened. SDL's thread writes a period
  // of silence whenever the device has nothing to play, so the file may start
  // with periods played between the open (which pauses the device) and the
  // write, and end with periods after the stop. The loop then starts at the
  // first non-zero sample less the zeros that open the loop buffer itself.
  std::vector<int16_t> loop = SineLoop(1000.0f);
  std::vector<int16_t> played = Le16Samples(Slurp(file), 0);
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
    Outcome o;
    std::string file = m_dir + "/" + side + ".raw";
    ASSERT_EQ((o = Shell(std::string("sine 1000 --play --seconds 1 -q --channel ") + side, "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + file + "'")).status,
              0)
        << o.err;
    // Two channels as opened: the one asked for plays the loop, the other
    // stays silent.
    std::vector<int16_t> played = Le16Samples(Slurp(file), 0);
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
  Outcome o;
  ASSERT_EQ((o = Shell("--list-devices > list.txt", "SDL_AUDIODRIVER=dummy")).status, 0) << o.err;
  std::ifstream in(m_dir + "/list.txt");
  std::stringstream list;
  list << in.rdbuf();
  EXPECT_EQ(list.str(), "0: Default output device\n1: System audio output device\n");

  EXPECT_EQ((o = Shell("sine --device 1 --seconds 0.2", "SDL_AUDIODRIVER=dummy")).status, 0) << o.err;
  EXPECT_NE(o.err.find("playing:   0.2 s on output device 1\n"), std::string::npos) << o.err;
  EXPECT_EQ((o = Shell("sine --device 'system AUDIO' --seconds 0.2 -q", "SDL_AUDIODRIVER=dummy")).status, 0) << o.err;
  EXPECT_EQ((o = Shell("pink --device 0 --gain -10 --seconds 0.2 -q", "SDL_AUDIODRIVER=dummy")).status, 0) << o.err;

  EXPECT_EQ((o = Shell("sine --device speakers --seconds 0.2 -q", "SDL_AUDIODRIVER=dummy")).status, 1);
  EXPECT_EQ(o.err, "tonbrook-render: no output device named 'speakers' (see --list-devices)\n");
  EXPECT_EQ((o = Shell("sine --device 2 --seconds 0.2 -q", "SDL_AUDIODRIVER=dummy")).status, 1);
  EXPECT_EQ(o.err, "tonbrook-render: no output device 2 (devices 0 to 1)\n");
  EXPECT_EQ((o = Shell("--list-devices", "TONBROOK_WAVE=null")).status, 1);
  EXPECT_EQ(o.err, "tonbrook-render: no audio output device\n");
  EXPECT_EQ((o = Shell("sine --channel left --play --seconds 1 -q", "TONBROOK_WAVE=null")).status, 1);
  EXPECT_EQ(o.err, "tonbrook-render: no audio output device takes 16-bit stereo PCM at 44100 Hz\n");
}

TEST_F(PlayBinaryTest, WithoutAnAudioDeviceItSaysSoOnOneLine) {
  Outcome o;
  EXPECT_EQ((o = Shell("sine 1000 --play --seconds 1 -q", "TONBROOK_WAVE=null")).status, 1);
  EXPECT_EQ(o.err, "tonbrook-render: no audio output device takes 16-bit mono PCM at 44100 Hz\n");
}

}  // namespace
