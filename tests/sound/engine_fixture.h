/*
 * The sound engine on the scripted wave backend, with its globals back at
 * their program-start values around every test.
 */
#ifndef TONBROOK_TESTS_ENGINE_FIXTURE_H
#define TONBROOK_TESTS_ENGINE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wintest.h"
#include "kernel/kernel.h"
#include "sound.h"
#include "wave/device.h"
#include "wave/scripted.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wintest::Begin();
    ClearEngine();
  }

  void TearDown() override {
    plat::FailLocalAllocAfter(-1);
    SoundStopPlayback();
    SoundResetCapture();
    SoundShutdown();
    ClearEngine();
    wintest::End();
  }

  static void ClearEngine() {
    g_bSoundInit = g_bPlaybackEnabled = g_bCaptureEnabled = FALSE;
    g_bWaveOutOpen = g_bWaveInOpen = FALSE;
    g_hWaveOut = NULL;
    g_hWaveIn = NULL;
    g_AudioFormat.nSamplesPerSec = 44100;
    g_nBufferSamples = 0;
    g_cbOutBuffer = g_cbInBuffer = 0;
    g_nOutBuffers = g_nOutIndex = g_nInBuffers = g_nInIndex = 0;
  }

  // The calls since the last look, then forgets them.
  std::vector<std::string> Calls() {
    std::vector<std::string> calls = m_wave.Calls();
    m_wave.ClearCalls();
    return calls;
  }

  static std::string Out() { return plat::wave::HandleName(g_hWaveOut); }
  static std::string In() { return plat::wave::HandleName(g_hWaveIn); }
  static std::string Hex(const void *p) {
    char sz[24];
    snprintf(sz, sizeof sz, "0x%llx", (unsigned long long)(uintptr_t)p);
    return sz;
  }

  plat::wave::ScriptedBackend m_wave;
};

#endif
