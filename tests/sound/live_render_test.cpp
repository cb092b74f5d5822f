// A render into the loop buffer while the device plays it from its own
// thread: later passes carry the new samples without a new write.
#include <windows.h>

#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "synth.h"

namespace {

constexpr int kLen = 8192;

std::vector<int16_t> RenderCopy(int nWaveform) {
  GenerateWaveform(nWaveform, g_GenParams.fFrequency);
  return std::vector<int16_t>(g_pOutData[0], g_pOutData[0] + kLen);
}

std::vector<int16_t> Pass(const std::vector<int16_t> &played, size_t k) {
  return std::vector<int16_t>(played.begin() + (ptrdiff_t)(k * kLen), played.begin() + (ptrdiff_t)((k + 1) * kLen));
}

void WaitForSamples(plat::wave::ScriptedBackend &wave, size_t n) {
  while (wave.PlayedSamples(0) < n) std::this_thread::yield();
}

TEST_F(EngineTest, ARenderWhilePlayingIsHeardOnLaterPassesWithoutANewWrite) {
  ASSERT_EQ(SoundInit(TRUE, FALSE, 44100, kLen, NULL), 1);
  g_GenParams.fFrequency = 1000.0f;
  SnapFrequency();
  const std::vector<int16_t> square = RenderCopy(WF_SQUARE);
  const std::vector<int16_t> sine = RenderCopy(WF_SINE);
  ASSERT_NE(sine, square);

  ASSERT_EQ(SoundStartPlayback(), 0);
  m_wave.StartClock(256);
  WaitForSamples(m_wave, 2 * kLen);
  GenerateWaveform(WF_SQUARE, g_GenParams.fFrequency);  // while the clock thread plays
  size_t nAfter = m_wave.PlayedSamples(0);
  WaitForSamples(m_wave, nAfter + 3 * kLen);
  m_wave.StopClock();

  std::vector<int16_t> played = m_wave.Played(0);
  EXPECT_EQ(Pass(played, 0), sine);
  EXPECT_EQ(Pass(played, 1), sine);
  size_t nLast = played.size() / kLen - 1;
  EXPECT_EQ(Pass(played, nLast), square);
  EXPECT_EQ(Pass(played, nLast - 1), square);
  int nWrites = 0;
  for (const std::string &call : m_wave.Calls()) nWrites += call.rfind("waveOutWrite", 0) == 0;
  EXPECT_EQ(nWrites, 1);
  EXPECT_GE(m_wave.LoopPass(0), (DWORD)nLast + 1);
}

}  // namespace
