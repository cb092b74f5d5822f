#include <gtest/gtest.h>

#include <cmath>

#include "synth.h"

namespace {

float Snap(float fRequest, int nRate = 44100, int nLen = 8192) {
  GenParams saved = g_GenParams;
  g_GenParams.nSampleRate = nRate;
  g_GenParams.nBufferLen = nLen;
  g_GenParams.fFrequency = fRequest;
  SnapFrequency();
  float fSnapped = g_GenParams.fFrequency;
  g_GenParams = saved;
  return fSnapped;
}

TEST(GenParams, StartsWithTheProgramsConstants) {
  EXPECT_EQ(g_GenParams.nSampleRate, 44100);
  EXPECT_EQ(g_GenParams.nBufferLen, 8192);
  EXPECT_EQ(g_GenParams.fFrequency, 500.0f);
  EXPECT_EQ(g_GenParams.nTimerMs, 40u);
}

TEST(SnapFrequency, GivesTheTabulatedFrequencies) {
  const struct {
    float fRequest, fSnapped;
  } cases[] = {
      {500.0f, 495.263671875f},    {20.0f, 16.14990234375f},    {21.0f, 16.14990234375f},
      {440.0f, 436.04736328125f},  {1000.0f, 995.91064453125f}, {16000.0f, 15999.169921875f},
      {495.263671875f, 495.263671875f},
      // One cycle per buffer is the least: anything below twice the resolution.
      {10.76f, 5.38330078125f},    {5.0f, 5.38330078125f},      {0.0f, 5.38330078125f},
      {-3.0f, 5.38330078125f},     {10.7666015625f, 10.7666015625f},
  };
  for (const auto &c : cases) EXPECT_EQ(Snap(c.fRequest), c.fSnapped) << c.fRequest;
}

TEST(SnapFrequency, EveryControlStepGivesAWholeCycleCountAtOrBelowTheRequest) {
  const double fResolution = 44100.0 / 8192.0;
  float fPrevious = 0.0f;
  int nUnchangedSteps = 0;
  for (int nHz = 20; nHz <= 16000; nHz++) {
    float f = Snap((float)nHz);
    // The nearest float to k * R / N (exact up to 1521 cycles).
    long k = std::lround((double)f / fResolution);
    ASSERT_EQ(f, (float)(44100.0 * (double)k / 8192.0)) << nHz;
    ASSERT_LE(f, (float)nHz);
    ASSERT_GT((double)f, nHz - fResolution) << nHz;
    // Up to 1521 cycles (8190 Hz) the snapped value is exact and snaps to
    // itself; above, R * k / N is rounded in single and may fall just short
    // of k cycles, which a second snap turns into k - 1.
    if (k <= 1521) {
      ASSERT_EQ(Snap(f), f) << "snapping twice changes " << nHz;
    }
    if (f == fPrevious) nUnchangedSteps++;
    fPrevious = f;
  }
  // Snapped values lie 5.38 Hz apart: most 1 Hz steps leave the frequency alone.
  EXPECT_GT(nUnchangedSteps, 12000);
}

TEST(SnapFrequency, FollowsOtherRatesAndLengths) {
  EXPECT_EQ(Snap(1000.0f, 48000, 4096), 996.09375f);  // k = 85
  EXPECT_EQ(Snap(1.0f, 8000, 1), 8000.0f);
  EXPECT_EQ(Snap(2999.0f, 8000, 8), 2000.0f);
}

TEST(SnapFrequency, OutOfRangeProductsAndZeroParametersStayDefined) {
  // N * f beyond 32 bits saturates instead of overflowing; the result is
  // still a whole multiple of R / N.
  float f = Snap(1.0e9f);
  EXPECT_TRUE(std::isfinite(f));
  EXPECT_EQ(Snap(-1.0e9f), 5.38330078125f);
  EXPECT_EQ(Snap(NAN), 5.38330078125f);
  EXPECT_EQ(Snap(440.0f, 0, 8192), 440.0f);
  EXPECT_EQ(Snap(440.0f, 44100, 0), 440.0f);
}

}  // namespace
