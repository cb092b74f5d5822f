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
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.top, 26);
  EXPECT_EQ(rc.right, 240);
  EXPECT_EQ(rc.bottom, 320);
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

TEST_F(AboutAndMenu, CtrlAOpensTheAboutBoxAndCtrlQEndsAfterTaps) {
  int rc = RunProgram({
      Step::Call(0, [] { TapOn(g_hwndSquare); }),
      Step::Call(10, [] { TapOn(g_hwndPlay); }),
      Step::Key(20, 'A', true),
      Step::Call(30, [] { ExpectAboutBoxUp(); }),
      Step::Tap(40, kCaptionOkX, kCaptionOkY),
      Step::Key(50, 'Q', true),
  });
  EXPECT_EQ(rc, 0);
}

TEST_F(AboutAndMenu, AnAcceleratorStruckInAFocusedChildGoesToTheChild) {
  int nQuit = -1;
  int rc = RunProgram({
      Step::Call(0, [] { SetFocus(g_hwndPlay); }),
      Step::Key(10, 'Q', true),
      Step::Call(20, [&] {
        // The button got IDOK, which means nothing to it: the program runs on.
        nQuit = IsWindow(MainWindow()) ? 0 : 1;
        SetFocus(MainWindow());
      }),
      Step::Key(30, 'Q', true),
  });
  EXPECT_EQ(nQuit, 0);
  EXPECT_EQ(rc, 0);
}

}  // namespace
