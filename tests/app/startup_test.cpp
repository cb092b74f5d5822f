#include <commctrl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app_fixture.h"
#include "resource.h"

namespace {

using Startup = AppTest;

// The main window procedure, wrapped so that a test can count its timers.
WNDPROC g_pfnProgram;
int g_nTimers;
LRESULT CALLBACK CountTimers(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == IDT_REFRESH) g_nTimers++;
  return CallWindowProcW(g_pfnProgram, hwnd, msg, wParam, lParam);
}

TEST_F(Startup, LaysOutTheWorkedExampleAndSelectsTheSine) {
  int rc = RunProgram({
      plat::host::Step::Call(0, [] {
        HWND hwnd = MainWindow();
        ASSERT_NE(hwnd, nullptr);

        RECT rcWindow;
        GetWindowRect(hwnd, &rcWindow);
        EXPECT_EQ(rcWindow, (RECT{0, 26, 240, 294}));  // ends where the menu bar begins

        EXPECT_EQ(g_nColWidth, 80);
        EXPECT_EQ(g_nRowGap, 16);
        const int ay[6] = {16, 57, 98, 139, 180, 221};
        for (int r = 0; r < 6; r++) {
          EXPECT_EQ(g_aptRow[r].x, 5);
          EXPECT_EQ(g_aptRow[r].y, ay[r]);
          EXPECT_EQ(g_aptFrame[r][0].x, 4);
          EXPECT_EQ(g_aptFrame[r][0].y, ay[r] - 1);
          EXPECT_EQ(g_aptFrame[r][2].x, 85);
          EXPECT_EQ(g_aptFrame[r][2].y, ay[r] + 25);
          EXPECT_EQ(g_aptFrame[r][4].x, 4);
          EXPECT_EQ(g_aptFrame[r][4].y, ay[r] - 1);
        }
        EXPECT_EQ(g_xRightColumn, 150);
        EXPECT_EQ(g_rcLabel, (RECT{150, 57, 240, 82}));

        RECT rcPlay;
        GetWindowRect(g_hwndPlay, &rcPlay);
        EXPECT_EQ(rcPlay, (RECT{150, 26 + 180, 150 + 79, 26 + 180 + 65}));

        EXPECT_EQ(SendMessageW(g_hwndSine, BM_GETCHECK, 0, 0), BST_CHECKED);
        for (HWND h : {g_hwndTriangle, g_hwndSawtooth, g_hwndSquare, g_hwndWhiteNoise, g_hwndPinkNoise})
          EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(g_nWaveform, WF_SINE);
        EXPECT_EQ(g_GenParams.fFrequency, 495.263671875f);
        EXPECT_FALSE(g_bPlaying);
        EXPECT_TRUE(g_bSoundReady);
        EXPECT_EQ(TextOf(g_hwndFreqEdit), u"500");
        EXPECT_EQ(TextOf(g_hwndPlay), u"PLAY");
        EXPECT_EQ(LOWORD(SendMessageW(g_hwndSpin, UDM_GETPOS, 0, 0)), 500);

        // The sine is in the loop buffer, and nothing was written to the device.
        std::vector<SHORT> v = LoopBuffer();
        ASSERT_EQ(v.size(), 8192u);
        EXPECT_EQ(v[1], 2309);
        EXPECT_EQ(v[8191], -2309);

        g_pfnProgram = (WNDPROC)SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)CountTimers);
        g_nTimers = 0;
      }),
      plat::host::Step::Call(410, [] {
        EXPECT_EQ(g_nTimers, 10);  // every 40 ms
        SetWindowLongPtrW(MainWindow(), GWLP_WNDPROC, (LONG_PTR)g_pfnProgram);
        SendMessageW(MainWindow(), WM_COMMAND, IDM_FILE_EXIT, 0);
      }),
  });
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(CallsOf("waveOutWrite").empty());
  EXPECT_EQ(CallsOf("waveOutClose").size(), 1u);
}

TEST_F(Startup, PaintsTheGreySurfaceFramesPicturesAndLabel) {
  const uint32_t grey = 0x646464, orange = 0xFF6400, white = 0xFFFFFF;
  const int ay[6] = {16, 57, 98, 139, 180, 221};
  RunProgram({
      plat::host::Step::Call(0, [&] {
        const int top = 26;  // the window's top on the screen
        EXPECT_EQ(Pixel(120, top + 5), grey);
        for (int r = 0; r < 6; r++) {
          int y = top + ay[r];
          // The frame's four corners, from (4, y - 1) to (85, y + 25).
          EXPECT_EQ(Pixel(4, y - 1), orange) << r;
          EXPECT_EQ(Pixel(85, y - 1), orange) << r;
          EXPECT_EQ(Pixel(85, y + 25), orange) << r;
          EXPECT_EQ(Pixel(4, y + 25), orange) << r;
          // The picture at x 90: grey background, green trace, nothing else.
          int nGreen = 0;
          for (int py = 0; py < 25; py++)
            for (int px = 0; px < 48; px++) {
              uint32_t p = Pixel(90 + px, y + py);
              ASSERT_TRUE(p == 0x808080 || p == 0x00FF00) << r << " " << px << "," << py;
              nGreen += p == 0x00FF00;
            }
          EXPECT_GT(nGreen, 40) << r;
          EXPECT_EQ(Pixel(89, y + 12), grey) << r;
          EXPECT_EQ(Pixel(138, y + 12), grey) << r;
        }
        // The label: white text inside its rectangle (150, 57)-(240, 82).
        int nWhite = 0;
        for (int y = top + 57; y < top + 82; y++)
          for (int x = 150; x < 240; x++) nWhite += Pixel(x, y) == white;
        EXPECT_GT(nWhite, 30);
        for (int x = 150; x < 240; x++) EXPECT_EQ(Pixel(x, top + 56), grey) << x;

        // With a noise the label and the frequency box are gone.
        TapOn(g_hwndWhiteNoise);
      }),
      plat::host::Step::Call(10, [&] {
        const int top = 26;
        EXPECT_EQ(g_nWaveform, WF_WHITE_NOISE);
        EXPECT_FALSE(IsWindowVisible(g_hwndFreqEdit));
        EXPECT_FALSE(IsWindowVisible(g_hwndSpin));
        for (int y = top + 57; y < top + 82; y++)
          for (int x = 150; x < 240; x++) ASSERT_EQ(Pixel(x, y), grey) << x << "," << y;
        for (int x = 150; x < 240; x++) ASSERT_EQ(Pixel(x, top + 110), grey) << x;
        ExitProgram();
      }),
  });
}

TEST_F(Startup, ASecondStartBringsTheFirstToTheFrontAndExits) {
  int nSecond = -1;
  RunProgram({
      plat::host::Step::Call(0, [&] {
        wave_.ClearCalls();
        HWND hwndMain = MainWindow();
        nSecond = WinMain(plat::ModuleInstance(), NULL, NULL, SW_SHOW);
        EXPECT_EQ(MainWindow(), hwndMain);
        EXPECT_TRUE(wave_.Calls().empty()) << "the second start touched the sound device";
        SendMessageW(hwndMain, WM_COMMAND, IDOK, 0);
      }),
  });
  EXPECT_EQ(nSecond, 0);
}

// Starts the real program as a second process, headless and without sound,
// under this test's name so that the two find each other; returns its exit
// code, or -1 if it did not end within ten seconds.
int RunSecondProcess() {
  const char *argv[] = {TONBROOK_PEER, nullptr};
  std::vector<std::string> env = {"TONBROOK_HOST=headless", "TONBROOK_WAVE=null"};
  for (const char *name : {"XDG_RUNTIME_DIR", "PATH", "HOME"})
    if (const char *v = getenv(name)) env.push_back(std::string(name) + "=" + v);
  std::vector<char *> envp;
  for (std::string &e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, TONBROOK_PEER, nullptr, nullptr, (char **)argv, envp.data()) != 0) return -2;
  for (int i = 0; i < 1000; i++) {
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -3;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

int Raises() { return ((plat::host::Headless *)plat::host::Current().get())->Raises(); }

TEST_F(Startup, ASecondProcessRaisesTheFirstAlsoWithItsAboutBoxOpen) {
  int nBefore = 0;
  RunProgram({
      plat::host::Step::Call(0, [&] {
        nBefore = Raises();
        EXPECT_EQ(RunSecondProcess(), 0);
      }),
      plat::host::Step::Call(10, [&] {
        EXPECT_GT(Raises(), nBefore) << "the first instance was not asked to come forward";
        EXPECT_EQ(GetActiveWindow(), MainWindow());
        nBefore = Raises();
        plat::host::InjectKey('A', true);
      }),
      plat::host::Step::Call(20, [&] {
        HWND hDlg = GetActiveWindow();
        EXPECT_EQ(TextOf(hDlg), u"About Tonbrook");
        EXPECT_EQ(RunSecondProcess(), 0);
      }),
      plat::host::Step::Call(30, [&] {
        EXPECT_GT(Raises(), nBefore);
        EXPECT_EQ(TextOf(GetActiveWindow()), u"About Tonbrook") << "the About box is not in front";
        plat::host::InjectTap(225, 13);
      }),
      plat::host::Step::Call(40, [] { ExitProgram(); }),
  });
  EXPECT_EQ(CallsOf("waveOutOpen").size(), 2u) << "only the first instance opens the device (query and open)";
}

}  // namespace
