#include "app_fixture.h"
#include "host/screenshot.h"
#include "resource.h"

namespace {

using AboutAndMenu = AppTest;
using plat::host::Step;

constexpr int kFileButtonX = 20, kFileButtonY = 307;  // the menu bar's "File"
constexpr int kAboutItemY = 256, kExitItemY = 283;    // its pop-up, above the bar
constexpr int kCaptionOkX = 225, kCaptionOkY = 13;    // "ok" in the navigation bar

void ExpectAboutBoxUp() {
  HWND hDlg = GetActiveWindow();
  ASSERT_NE(hDlg, AppTest::MainWindow());
  EXPECT_EQ(AppTest::TextOf(hDlg), u"About Tonbrook");
  RECT rc;
  GetWindowRect(hDlg, &rc);
  EXPECT_EQ(rc, (RECT{0, 26, 240, 320}));
}

TEST_F(AboutAndMenu, TheMenuOpensTheAboutBoxWhileNoiseGoesOnPlaying) {
  std::vector<SHORT> before;
  int rc = RunProgram({
      Step::Call(0, [] {
        TapOn(g_hwndWhiteNoise);
      }),
      Step::Call(10, [] { TapOn(g_hwndPlay); }),
      Step::Tap(20, kFileButtonX, kFileButtonY),
      Step::Call(30, [] { plat::host::WriteScreenshot(TONBROOK_SHOTS "/menu.png"); }),
      Step::Tap(40, kFileButtonX, kAboutItemY),
      Step::Call(50, [&] {
        ExpectAboutBoxUp();
        plat::host::WriteScreenshot(TONBROOK_SHOTS "/about.png");
        before = LoopBuffer();
      }),
      // The owner's timer keeps refreshing the noise under the modal box.
      Step::Call(150, [&] { EXPECT_NE(LoopBuffer(), before); }),
      // Esc does not close it.
      Step::Key(160, VK_ESCAPE),
      Step::Call(170, [] { ExpectAboutBoxUp(); }),
      Step::Tap(180, kCaptionOkX, kCaptionOkY),
      Step::Call(190, [] {
        EXPECT_EQ(GetActiveWindow(), MainWindow());
        EXPECT_TRUE(g_bPlaying);
      }),
      Step::Tap(200, kFileButtonX, kFileButtonY),
      Step::Tap(210, kFileButtonX, kExitItemY),
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(MainWindow(), nullptr);
  EXPECT_EQ(CallsOf("waveOutClose").size(), 1u);
}

// A tap on each of the nine controls, the frequency box and the arrows last
// (a noise hides them): none of them takes the keyboard (they are made with
// WS_EX_NOACTIVATE), so the accelerators still reach the main window.
plat::host::Script TapEveryControl(uint64_t at, int *nTookFocus) {
  HWND *const controls[] = {&g_hwndWhiteNoise, &g_hwndPinkNoise, &g_hwndSine, &g_hwndTriangle,
                            &g_hwndSawtooth,   &g_hwndSquare,    &g_hwndPlay, &g_hwndFreqEdit};
  plat::host::Script script;
  for (HWND *hwnd : controls) {
    script.push_back(Step::Call(at, [hwnd] { AppTest::TapOn(*hwnd); }));
    at += 10;
  }
  // The up arrow, then the down arrow of the up-down.
  for (int quarter : {1, 3}) {
    script.push_back(Step::Call(at, [quarter] {
      RECT rc;
      GetWindowRect(g_hwndSpin, &rc);
      plat::host::InjectTap((rc.left + rc.right) / 2, rc.top + (rc.bottom - rc.top) * quarter / 4);
    }));
    at += 10;
  }
  script.push_back(Step::Call(at, [nTookFocus] {
    *nTookFocus = GetFocus() != NULL && GetFocus() != AppTest::MainWindow();
  }));
  return script;
}

// A late step that ends the program if the keys before did not, so that a
// failure shows as such rather than as a hang.
Step EndIfStillUp(uint64_t at, bool *pbStillUp) {
  return Step::Call(at, [pbStillUp] {
    *pbStillUp = true;
    AppTest::ExitProgram();
  });
}

/* Ctrl+A and Ctrl+Q reach the main window after taps on every control. */
TEST_F(AboutAndMenu, CtrlAOpensTheAboutBoxAndCtrlQEndsAfterATapOnEachControl) {
  int nTookFocus = -1;
  bool bStillUp = false;
  plat::host::Script script = TapEveryControl(0, &nTookFocus);
  script.push_back(Step::Key(200, 'A', true));
  script.push_back(Step::Call(210, [] { ExpectAboutBoxUp(); }));
  script.push_back(Step::Tap(220, kCaptionOkX, kCaptionOkY));
  script.push_back(Step::Key(230, 'Q', true));
  script.push_back(EndIfStillUp(1000, &bStillUp));
  EXPECT_EQ(RunProgram(std::move(script)), 0);
  EXPECT_EQ(nTookFocus, 0);
  EXPECT_FALSE(bStillUp) << "Ctrl+Q did not end the program";
}

TEST_F(AboutAndMenu, SetFocusRefusesAControlOfTheMainWindow) {
  HWND hwndBefore = (HWND)1, hwndRefused = (HWND)1, hwndAfter = (HWND)1;
  bool bStillUp = false;
  int rc = RunProgram({
      Step::Call(0, [&] {
        hwndBefore = GetFocus();
        hwndRefused = SetFocus(g_hwndPlay);
        hwndAfter = GetFocus();
      }),
      Step::Key(10, 'Q', true),
      EndIfStillUp(1000, &bStillUp),
  });
  EXPECT_EQ(hwndRefused, nullptr);
  EXPECT_EQ(hwndAfter, hwndBefore);
  EXPECT_FALSE(bStillUp) << "Ctrl+Q did not reach the main window";
  EXPECT_EQ(rc, 0);
}

}  // namespace
