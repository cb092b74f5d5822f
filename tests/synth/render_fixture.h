/*
 * A loop buffer in the engine's table, as SoundInit would leave it, for the
 * renderer to write into.
 */
#ifndef TONBROOK_TESTS_RENDER_FIXTURE_H
#define TONBROOK_TESTS_RENDER_FIXTURE_H

#include <gtest/gtest.h>

#include <vector>

#include "sound.h"
#include "synth.h"

class RenderTest : public ::testing::Test {
 protected:
  void TearDown() override { Detach(); }

  // Puts a buffer of nSamples (plus a guard of sentinels) in slot 0.
  void Attach(int nSamples, DWORD nRate = 44100, SHORT nFill = 0) {
    m_buf.assign((size_t)nSamples + kGuard, nFill);
    for (int i = 0; i < kGuard; i++) m_buf[(size_t)nSamples + i] = kSentinel;
    m_nSamples = nSamples;
    g_AudioFormat.nSamplesPerSec = nRate;
    g_nBufferSamples = nSamples;
    g_cbOutBuffer = (DWORD)nSamples * sizeof(SHORT);
    g_pOutData[0] = m_buf.data();
    g_nOutBuffers = 1;
  }

  void Detach() {
    g_AudioFormat.nSamplesPerSec = 44100;
    g_nBufferSamples = 0;
    g_cbOutBuffer = 0;
    for (int j = 0; j < SOUND_OUT_BUFFERS; j++) g_pOutData[j] = NULL;
    g_nOutBuffers = 0;
  }

  // Renders and returns the samples; fails the test if the guard was touched.
  std::vector<SHORT> Render(int nWaveform, float fFreq) {
    EXPECT_EQ(GenerateWaveform(nWaveform, fFreq), 0);
    for (int i = 0; i < kGuard; i++) EXPECT_EQ(m_buf[(size_t)m_nSamples + i], kSentinel);
    return std::vector<SHORT>(m_buf.begin(), m_buf.begin() + m_nSamples);
  }

  static constexpr int kGuard = 8;
  static constexpr SHORT kSentinel = 0x5A5A;
  std::vector<SHORT> m_buf;
  int m_nSamples = 0;
};

// The default frequency after snapping: 92 cycles in 8192 samples.
constexpr float kF92 = 495.263671875f;

#endif
