#include <commctrl.h>

#include <algorithm>

#include "app_fixture.h"
#include "resource.h"

namespace {

using Commands = AppTest;
using plat::host::Step;

std::vector<SHORT> Rendered(int nWaveform, float fFreq) {
  std::vector<SHORT> saved = std::vector<SHORT>(g_pOutData[0], g_pOutData[0] + g_nBufferSamples);
  GenerateWaveform(nWaveform, fFreq);
  std::vector<SHORT> v(g_pOutData[0], g_pOutData[0] + g_nBufferSamples);
  std::copy(saved.begin(), saved.end(), g_pOutData[0]);
  return v;
}

TEST_F(Commands, PlayThenStopWritesOnceAndResets) {
  int rc = RunProgram({
      Step::Call(0, [&] {
        wave_.ClearCalls();
        TapOn(g_hwndPlay);
      }),
      Step::Call(10, [&] {
        EXPECT_TRUE(g_bPlaying);
        EXPECT_EQ(TextOf(g_hwndPlay), u"STOP");
        EXPECT_EQ(CallsOf("waveOutWrite").size(), 1u);
        wave_.Advance(20000);  // the device loops the buffer by itself
        EXPECT_EQ(wave_.PlayedSamples(0), 20000u);
        wave_.ClearCalls();
        TapOn(g_hwndPlay);
      }),
      Step::Call(20, [&] {
        EXPECT_FALSE(g_bPlaying);
        EXPECT_EQ(TextOf(g_hwndPlay), u"PLAY");
        EXPECT_EQ(CallsOf("waveOutReset").size(), 1u);
        EXPECT_TRUE(CallsOf("waveOutWrite").empty());
        ExitProgram();
      }),
  });
  EXPECT_EQ(rc, 0);
}

TEST_F(Commands, AWaveformChangeWhilePlayingRewritesTheBufferWithoutARestart) {
  RunProgram({
      Step::Call(0, [&] { TapOn(g_hwndPlay); }),
      Step::Call(10, [&] {
        wave_.Advance(8192);
        wave_.ClearCalls();
        TapOn(g_hwndSquare);
      }),
      Step::Call(20, [&] {
        EXPECT_EQ(g_nWaveform, WF_SQUARE);
        EXPECT_EQ(SendMessageW(g_hwndSquare, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(SendMessageW(g_hwndSine, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_TRUE(g_bPlaying);
        EXPECT_EQ(TextOf(g_hwndPlay), u"STOP");
        EXPECT_TRUE(wave_.Calls().empty()) << wave_.Calls()[0];
        EXPECT_EQ(LoopBuffer(), Rendered(WF_SQUARE, 495.263671875f));
        // The next pass plays the square.
        wave_.Advance(8192);
        std::vector<int16_t> played = wave_.Played(0);
        ASSERT_EQ(played.size(), 16384u);
        EXPECT_EQ(played[8192], 32750);
        EXPECT_EQ(played[8192 + 50], -32750);
        ExitProgram();
      }),
  });
}

TEST_F(Commands, UpDownStepsReRenderInPlace) {
  RunProgram({
      Step::Call(0, [&] {
        SendMessageW(g_hwndSpin, UDM_SETPOS, 0, 20);
        EXPECT_EQ(TextOf(g_hwndFreqEdit), u"20");
        EXPECT_EQ(g_GenParams.fFrequency, 16.14990234375f);
        EXPECT_EQ(LoopBuffer(), Rendered(WF_SINE, 16.14990234375f));
        // The up arrow: one step to 21, which snaps to the same frequency.
        RECT rc;
        GetWindowRect(g_hwndSpin, &rc);
        plat::host::InjectTap((rc.left + rc.right) / 2, rc.top + (rc.bottom - rc.top) / 4);
      }),
      Step::Call(10, [&] {
        EXPECT_EQ(TextOf(g_hwndFreqEdit), u"21");
        EXPECT_EQ(g_GenParams.fFrequency, 16.14990234375f);
        SendMessageW(g_hwndSpin, UDM_SETPOS, 0, 16000);
        EXPECT_EQ(TextOf(g_hwndFreqEdit), u"16,000");
        EXPECT_EQ(g_GenParams.fFrequency, 15999.169921875f);
        TapOn(g_hwndTriangle);
      }),
      Step::Call(20, [&] {
        EXPECT_EQ(LoopBuffer(), Rendered(WF_TRIANGLE, 15999.169921875f));
        ExitProgram();
      }),
  });
}

TEST_F(Commands, NoiseIsRefreshedEvery40MsOnlyWhilePlaying) {
  std::vector<SHORT> before;
  RunProgram({
      Step::Call(0, [&] { TapOn(g_hwndPinkNoise); }),
      Step::Call(10, [&] { before = LoopBuffer(); }),
      Step::Call(100, [&] {
        EXPECT_EQ(LoopBuffer(), before) << "refreshed while not playing";
        TapOn(g_hwndPlay);
      }),
      Step::Call(110, [&] { before = LoopBuffer(); }),
      Step::Call(150, [&] {
        EXPECT_NE(LoopBuffer(), before) << "not refreshed while playing";
        TapOn(g_hwndSine);
      }),
      Step::Call(160, [&] { before = LoopBuffer(); }),
      Step::Call(300, [&] {
        EXPECT_EQ(LoopBuffer(), before) << "a periodic wave was rendered again";
        ExitProgram();
      }),
  });
}

TEST_F(Commands, EveryWayOutEndsWithCodeZeroAndReleasesTheDevice) {
  const std::function<void()> exits[] = {
      [] {
        SetFocus(MainWindow());
        plat::host::InjectKey('Q', true);
      },
      [] { SendMessageW(MainWindow(), WM_COMMAND, IDM_FILE_EXIT, 0); },
      [] { ShowWindow(MainWindow(), SW_MINIMIZE); },
      [] { SendMessageW(MainWindow(), WM_CLOSE, 0, 0); },
  };
  for (const auto &exit : exits) {
    SetUp();
    wave_.ClearCalls();
    int rc = RunProgram({Step::Call(0, [&] { TapOn(g_hwndPlay); }), Step::Call(10, exit)});
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(CallsOf("waveOutClose").size(), 1u);
    EXPECT_EQ(CallsOf("waveOutUnprepareHeader").size(), 1u);
    EXPECT_EQ(g_pOutData[0], nullptr);
    EXPECT_EQ(MainWindow(), nullptr);
  }
}

}  // namespace
