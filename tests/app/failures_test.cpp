#include "app_fixture.h"
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Failures = AppTest;
using plat::host::Step;

// The message box up now: its caption, and whether its text is shown.
void ExpectErrorBox(const char16_t *szText) {
  HWND hwndBox = GetActiveWindow();
  ASSERT_NE(hwndBox, nullptr);
  EXPECT_NE(hwndBox, AppTest::MainWindow());
  EXPECT_EQ(AppTest::TextOf(hwndBox), u"Error");
  bool bFound = false;
  for (int id = 0; id < 0x10000 && !bFound; id++) {
    HWND hwndItem = GetDlgItem(hwndBox, id);
    bFound = hwndItem && AppTest::TextOf(hwndItem) == szText;
  }
  EXPECT_TRUE(bFound) << "no \"" << std::string(szText, szText + std::char_traits<char16_t>::length(szText))
                      << "\" in the box";
  PostMessageW(hwndBox, WM_COMMAND, IDOK, 0);
}

TEST_F(Failures, NoOutputDeviceIsReportedAndEndsTheProgram) {
  wave_.outputs.clear();
  int rc = RunProgram({Step::Call(0, [] { ExpectErrorBox(u"Unable to initialise Sound System"); })});
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(MainWindow(), nullptr);
  EXPECT_FALSE(g_bSoundReady);
  EXPECT_EQ(g_nWaveform, 0) << "start-up went on after the window was gone";
  EXPECT_TRUE(CallsOf("waveOutOpen").empty());
  EXPECT_EQ(g_pOutData[0], nullptr);
}

TEST_F(Failures, ARefusedWriteIsReportedAndEndsTheProgram) {
  wave_.RefuseWrite(1);
  int rc = RunProgram({
      Step::Call(0, [] { TapOn(g_hwndPlay); }),
      Step::Call(10, [] { ExpectErrorBox(u"Unable to start playback"); }),
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(MainWindow(), nullptr);
  EXPECT_FALSE(g_bPlaying);
  EXPECT_EQ(CallsOf("waveOutClose").size(), 1u);
}

}  // namespace

namespace {

// Started headless with no sound and nobody to tap the box, the program
// writes the box on standard error, takes its OK and ends with status 0.
TEST(UnattendedProgram, AnErrorBoxWithNobodyToAnswerItIsWrittenOutAndTheProgramEnds) {
  char szDir[] = "/tmp/tonbrook-unattended-XXXXXX";
  ASSERT_NE(mkdtemp(szDir), nullptr);
  std::string cmd = std::string("env -i TONBROOK_HOST=headless TONBROOK_WAVE=null XDG_RUNTIME_DIR=") + szDir +
                    " timeout 20 '" TONBROOK_BINARY "' 2>&1";
  FILE *pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buf[256];
  while (fgets(buf, sizeof buf, pipe)) output += buf;
  int status = pclose(pipe);
  rmdir(szDir);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "124 means it was still waiting after 20 s";
  EXPECT_EQ(output, "Error: Unable to initialise Sound System\n");
}

}  // namespace
