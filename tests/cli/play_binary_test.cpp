// Runs the built tonbrook-render --play on SDL's disk audio driver, which
// writes what the device plays to a file, and on a machine without audio.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "common/reference.h"
#include "sound.h"
#include "synth.h"

namespace {

using namespace clitest;
using PlayBinaryTest = ToolTest;

const std::string kDisk = "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=played.raw";

// How many samples of heard repeat loop from its start, seam after seam. The
// disk driver writes the device's format raw. SDL's thread writes a period
// of silence whenever the device has nothing to play, so the file may start
// with periods played between the open (which pauses the device) and the
// write, and end with periods after the stop: the loop starts at the first
// non-zero sample less the zeros that open the loop buffer itself, and only
// silence may follow it.
size_t LoopedSamples(const std::vector<int16_t> &heard, const std::vector<int16_t> &loop) {
  size_t nLead = 0, nFirst = 0;
  while (nLead < loop.size() && loop[nLead] == 0) nLead++;
  while (nFirst < heard.size() && heard[nFirst] == 0) nFirst++;
  if (nFirst < nLead || nFirst == heard.size()) return 0;
  size_t nStart = nFirst - nLead, n = 0;
  while (nStart + n < heard.size() && heard[nStart + n] == loop[n % loop.size()]) n++;
  for (size_t i = nStart + n; i < heard.size(); i++)
    if (heard[i] != 0) return 0;
  return n;
}

// Every pass is the whole buffer, from its first sample, and the next pass
// follows at once; --exact chooses the length as for a file; a loop of a
// million passes is followed by the next, on the engine and on a device.
TEST_F(PlayBinaryTest, TheDevicePlaysTheLoopBufferOverAndOverWithoutASeam) {
  const struct {
    const char *args;
    std::vector<int16_t> loop;
    size_t atLeast;
    const char *summary;
  } cases[] = {
      {"sine 1000 --play --seconds 2", Reference(WF_SINE, 1000.0f, 44100, 8192, 0), 3 * 8192,
       "995.91064453125 Hz snapped"},
      {"sine 440 --exact --play --seconds 1", Reference(WF_SINE, 440.0f, 44100, 2205, 0), 10 * 2205,
       "440 Hz requested, 440 Hz snapped (exact)"},
      {"square --length 1 --rate 384000 --play --seconds 4", {32750}, 1100000, "384000 Hz snapped"},
      {"square --length 1 --rate 384000 --device 0 --seconds 4", {32750}, 1100000, "384000 Hz snapped"},
  };
  for (const auto &c : cases) {
    Outcome o = Shell(c.args, kDisk);
    ASSERT_EQ(o.status, 0) << c.args << ": " << o.err;
    EXPECT_NE(o.err.find(c.summary), std::string::npos) << o.err;
    size_t n = LoopedSamples(Le16Samples(Slurp(At("played.raw")), 0), c.loop);
    EXPECT_GE(n, c.atLeast) << c.args << ": played " << n << " samples of the loop";
  }
}

TEST_F(PlayBinaryTest, OneSpeakerAtATime) {
  std::vector<int16_t> loop = Reference(WF_SINE, 1000.0f, 44100, 8192, 0);
  for (const char *side : {"left", "right"}) {
    Outcome o = Shell(std::string("sine 1000 --play --seconds 1 -q --channel ") + side, kDisk);
    ASSERT_EQ(o.status, 0) << o.err;
    // Two channels as opened: the one asked for plays the loop, the other
    // stays silent.
    std::vector<int16_t> played = Le16Samples(Slurp(At("played.raw")), 0);
    std::vector<int16_t> heard, silent;
    bool left = std::string(side) == "left";
    for (size_t i = 0; i + 1 < played.size(); i += 2) {
      heard.push_back(played[i + (left ? 0 : 1)]);
      silent.push_back(played[i + (left ? 1 : 0)]);
    }
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](int16_t s) { return s == 0; })) << side;
    EXPECT_GE(LoopedSamples(heard, loop), 2 * loop.size()) << side;
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

// The sound system's own reason joins the one line; with -q nothing else
// of the sound system's shows.
TEST_F(PlayBinaryTest, WithoutAnAudioDeviceItSaysSoOnOneLine) {
  const struct {
    const char *env, *args;
    int status;
    const char *err;
  } cases[] = {
      {"TONBROOK_WAVE=null", "sine 1000 --play --seconds 1 -q", 1,
       "tonbrook-render: no audio output device takes 16-bit mono PCM at 44100 Hz\n"},
      {"SDL_AUDIODRIVER=nosuch", "sine --play --seconds 1 -q", 1,
       "tonbrook-render: no audio output device takes 16-bit mono PCM at 44100 Hz (cannot open the audio output: "
       "Audio target 'nosuch' not available)\n"},
      {"SDL_AUDIODRIVER=nosuch", "--list-devices", 1,
       "tonbrook-render: no audio output device (cannot open the audio output: Audio target 'nosuch' not "
       "available)\n"},
      {kDisk.c_str(), "sine --play --seconds 0.2 -q", 0, ""},
      {kDisk.c_str(), "sine --device 0 --seconds 0.2 -q", 0, ""},
  };
  for (const auto &c : cases) {
    Outcome o = Shell(c.args, c.env);
    EXPECT_EQ(o.status, c.status) << c.env << " " << c.args;
    EXPECT_EQ(o.err, c.err) << c.env << " " << c.args;
  }
}

}  // namespace
