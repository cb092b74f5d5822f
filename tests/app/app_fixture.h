/*
 * Runs Tonbrook's real WinMain under the headless host and the scripted
 * wave backend, as a fresh process would start it.
 */
#ifndef TONBROOK_TESTS_APP_FIXTURE_H
#define TONBROOK_TESTS_APP_FIXTURE_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wintest.h"
#include "gdi/gdi.h"
#include "host/headless.h"
#include "res/module.h"
#include "shell.h"
#include "sound.h"
#include "synth.h"
#include "wave/scripted.h"

class AppTest : public ::testing::Test {
 public:
  void SetUp() override {
    // Windows of this test program are published in a runtime directory of
    // its own, so that another test (or a real Tonbrook) is not taken for a
    // running instance.
    wintest::UsePrivateRuntimeDir(true);

    // The program's data as it is at load.
    g_GenParams.fFrequency = 500.0f;
    g_nWaveform = 0;
    g_bPlaying = FALSE;
    g_bSoundReady = FALSE;
    g_hwndMB = NULL;
  }

  // Runs WinMain with the script; returns its exit code.
  int RunProgram(plat::host::Script script) {
    return plat::host::RunWinMain(std::move(script), WinMain, plat::ModuleInstance());
  }

  // The main window while the program runs.
  static HWND MainWindow() { return FindWindowW(TEXT("TONBROOK"), TEXT("Tonbrook")); }

  // Exit from the menu bar's File menu.
  static void ExitProgram() { SendMessageW(MainWindow(), WM_COMMAND, 40004 /* IDM_FILE_EXIT */, 0); }

  // A tap on the centre of a window.
  static void TapOn(HWND hwnd) {
    POINT middle = wintest::Middle(hwnd);
    plat::host::InjectTap(middle.x, middle.y);
  }

  static std::u16string TextOf(HWND hwnd) { return wintest::Text(hwnd); }

  // The screen pixel at (x, y) as 0x00RRGGBB.
  static uint32_t Pixel(int x, int y) {
    plat::gdi::Bitmap &screen = plat::gdi::Screen();
    return screen.pixels[(size_t)y * screen.width + x];
  }

  // The calls of the waveform services whose line starts with name.
  std::vector<std::string> CallsOf(const std::string &name) {
    std::vector<std::string> out;
    for (const std::string &c : wave_.Calls())
      if (c.rfind(name + "(", 0) == 0) out.push_back(c);
    return out;
  }

  // The loop buffer's samples as the device reads them.
  static std::vector<SHORT> LoopBuffer() {
    if (!g_pOutData[0]) return {};
    return std::vector<SHORT>(g_pOutData[0], g_pOutData[0] + g_nBufferSamples);
  }

  plat::wave::ScriptedBackend wave_;
};

#endif
