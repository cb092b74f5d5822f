#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "render_fixture.h"

namespace {

using Samples = std::vector<SHORT>;

Samples Slice(const Samples &v, int nFrom, int nTo) {
  return Samples(v.begin() + nFrom, v.begin() + nTo + 1);
}

// Indices i where the sign of v[i] differs from v[i - 1].
std::vector<int> SignChanges(const Samples &v) {
  std::vector<int> changes;
  for (size_t i = 1; i < v.size(); i++)
    if ((v[i] < 0) != (v[i - 1] < 0)) changes.push_back((int)i);
  return changes;
}

// Indices where a run of equal samples of value n begins.
std::vector<int> RunStarts(const Samples &v, SHORT n) {
  std::vector<int> starts;
  for (size_t i = 0; i < v.size(); i++)
    if (v[i] == n && (i == 0 || v[i - 1] != n)) starts.push_back((int)i);
  return starts;
}

using PeriodicTest = RenderTest;

TEST_F(PeriodicTest, SineStartsAtZeroAndEndsOneStepBeforeIt) {
  Attach(8192);
  Samples v = Render(WF_SINE, kF92);
  EXPECT_EQ(Slice(v, 0, 5), (Samples{0, 2309, 4606, 6881, 9121, 11316}));
  EXPECT_EQ(v[8191], -2309);
  EXPECT_EQ(*std::min_element(v.begin(), v.end()), -32749);
  EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32750);
}

TEST_F(PeriodicTest, SquareHasTwoLevelsAnd183SignChanges) {
  Attach(8192);
  Samples v = Render(WF_SQUARE, kF92);
  for (SHORT s : v) ASSERT_TRUE(s == 32750 || s == -32750) << s;
  EXPECT_EQ(v[0], 32750);
  std::vector<int> changes = SignChanges(v);
  ASSERT_EQ(changes.size(), 183u);
  EXPECT_EQ(std::vector<int>(changes.begin(), changes.begin() + 4), (std::vector<int>{45, 90, 134, 179}));
  EXPECT_EQ(changes.back(), 8148);
}

TEST_F(PeriodicTest, TriangleIs184TentsFittedToTheHalfCycles) {
  Attach(8192);
  Samples v = Render(WF_TRIANGLE, kF92);

  // First tent, samples 0 to 44: up in steps of 1489 to the doubled peak at
  // 22 and 23, then down to 1489.
  EXPECT_EQ(Slice(v, 0, 2), (Samples{0, 1489, 2978}));
  EXPECT_EQ(Slice(v, 21, 24), (Samples{31270, 32760, 32760, 31270}));
  EXPECT_EQ(v[44], 1489);
  EXPECT_EQ(v[45], 0);

  // Last tent, negative over 8148 to 8190: 22 samples down, 21 up, then 0.
  EXPECT_EQ(v[8148], 0);
  EXPECT_EQ(Slice(v, 8169, 8170), (Samples{-32760, -32760}));
  EXPECT_EQ(v[8190], -1559);
  EXPECT_EQ(v[8191], 0);

  // Every tent has one doubled peak; they alternate and lie 43 to 45 apart.
  std::vector<int> highs = RunStarts(v, 32760), lows = RunStarts(v, -32760);
  ASSERT_EQ(highs.size(), 92u);
  ASSERT_EQ(lows.size(), 92u);
  std::vector<int> peaks;
  for (size_t k = 0; k < 92; k++) {
    peaks.push_back(highs[k]);
    peaks.push_back(lows[k]);
  }
  ASSERT_TRUE(std::is_sorted(peaks.begin(), peaks.end())) << "tents do not alternate";
  for (size_t k = 1; k < peaks.size(); k++) {
    EXPECT_GE(peaks[k] - peaks[k - 1], 43) << k;
    EXPECT_LE(peaks[k] - peaks[k - 1], 45) << k;
  }
  for (int p : highs) EXPECT_EQ(v[(size_t)p + 1], 32760);
  EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32760);
  EXPECT_EQ(*std::min_element(v.begin(), v.end()), -32760);
}

TEST_F(PeriodicTest, SawtoothRampsBeginWhereTheSineTurnsNegative) {
  Attach(8192);
  Samples v = Render(WF_SAWTOOTH, kF92);
  EXPECT_EQ(Slice(v, 0, 2), (Samples{-32760, -31270, -29781}));
  EXPECT_EQ(v[44], 32760);

  std::vector<int> starts = RunStarts(v, -32760);
  ASSERT_GE(starts.size(), 4u);
  EXPECT_EQ(std::vector<int>(starts.begin(), starts.begin() + 4), (std::vector<int>{0, 45, 134, 223}));
  // The last ramp starts at 8148; 8191 begins the run that crosses the seam.
  ASSERT_EQ(starts.back(), 8191);
  EXPECT_EQ(starts[starts.size() - 2], 8148);
  for (size_t k = 2; k + 1 < starts.size(); k++) {
    int nLen = starts[k] - starts[k - 1];
    EXPECT_TRUE(nLen == 89 || nLen == 90) << starts[k - 1] << ": " << nLen;
  }

  // The last ramp rises in steps of 1560; the seam holds two -32760s.
  EXPECT_EQ(v[8148], -32760);
  EXPECT_EQ(v[8149], -31200);
  EXPECT_EQ(v[8190], 32760);
  EXPECT_EQ(v[8191], -32760);
  EXPECT_EQ(v[0], -32760);
}

TEST_F(PeriodicTest, ImpulseIgnoresTheFrequency) {
  Attach(8192, 44100, 777);
  for (float f : {kF92, 1234.5f, 0.0f}) {
    Samples v = Render(WF_IMPULSE, f);
    EXPECT_EQ(v[0], 32760);
    EXPECT_EQ(std::count(v.begin(), v.end(), 0), 8191);
  }
}

TEST_F(PeriodicTest, SweepIsSilentForSevenEighthsThenRises) {
  Attach(8192, 44100, 777);
  Samples v = Render(WF_SWEEP, kF92);
  EXPECT_EQ(std::count(v.begin(), v.begin() + 7169, 0), 7169);
  EXPECT_EQ(Slice(v, 7169, 7171), (Samples{566, 1332, 2298}));
  EXPECT_LE(*std::max_element(v.begin(), v.end()), 32750);
  EXPECT_GE(*std::min_element(v.begin(), v.end()), -32750);
}

TEST_F(PeriodicTest, CodesThatNameNoWaveformLeaveTheBufferAlone) {
  Attach(8192, 44100, 1234);
  for (int nCode : {0, 8, -1, 10, INT_MIN, INT_MAX}) {
    Samples v = Render(nCode, kF92);
    EXPECT_EQ(std::count(v.begin(), v.end(), 1234), 8192) << nCode;
  }
}

TEST_F(PeriodicTest, BuffersShorterThanHalfACycleForceTheLastSegment) {
  Attach(5);
  EXPECT_EQ(Render(WF_SAWTOOTH, kF92), (Samples{-32760, -10920, 10920, 32760, -32760}));
  EXPECT_EQ(Render(WF_TRIANGLE, kF92), (Samples{0, -32760, -32760, 0, 0}));

  Attach(1);
  EXPECT_EQ(Render(WF_SAWTOOTH, kF92), Samples{-32760});
  EXPECT_EQ(Render(WF_TRIANGLE, kF92), Samples{0});
  EXPECT_EQ(Render(WF_SINE, kF92), Samples{0});
  EXPECT_EQ(Render(WF_SQUARE, kF92), Samples{32750});
}

TEST_F(PeriodicTest, RampsAndTentsTooShortToClimbTakeTheirStartAndPeak) {
  // N = 2: the forced ramp covers one sample (0/0) and takes the ramp's start;
  // the negative tent of one sample takes its peak.
  Attach(2);
  EXPECT_EQ(Render(WF_SAWTOOTH, kF92), (Samples{-32760, -32760}));
  EXPECT_EQ(Render(WF_TRIANGLE, kF92), (Samples{-32760, 0}));
  // N = 3: a tent of two samples has a one-sample first part; both are peak.
  Attach(3);
  EXPECT_EQ(Render(WF_TRIANGLE, kF92), (Samples{-32760, -32760, 0}));
}

TEST_F(PeriodicTest, NoSnappedTriangleIsQuieterThanMinus6dBFS) {
  // Every frequency a request from 20 to 16000 Hz snaps to in the default
  // loop buffer, up to the top, where tents shrink to one or two samples.
  Attach(8192);
  GenParams saved = g_GenParams;
  g_GenParams.nSampleRate = 44100;
  g_GenParams.nBufferLen = 8192;
  double fQuietest = 0.0;
  for (int k = 20 * 8192 / 44100; k <= 16000 * 8192 / 44100; k++) {
    g_GenParams.fFrequency = (float)(44100 * k) / 8192.0f;
    SnapFrequency();
    Samples v = Render(WF_TRIANGLE, g_GenParams.fFrequency);
    double fSum = 0.0;
    for (SHORT s : v) fSum += (double)s * s;
    double fDb = 20.0 * std::log10(std::sqrt(fSum / (double)v.size()) / 32768.0);
    EXPECT_GE(fDb, -6.0) << g_GenParams.fFrequency << " Hz";
    fQuietest = std::min(fQuietest, fDb);
  }
  RecordProperty("quietest_dBFS", std::to_string(fQuietest));
  g_GenParams = saved;
}

TEST_F(PeriodicTest, EmptyBufferAndMissingBufferWriteNothing) {
  Attach(0);
  for (int nCode = 0; nCode <= 10; nCode++) Render(nCode, kF92);

  Attach(16, 44100, 99);
  g_pOutData[0] = NULL;
  for (int nCode = 0; nCode <= 10; nCode++) EXPECT_EQ(GenerateWaveform(nCode, kF92), 0);
  EXPECT_EQ(std::count(m_buf.begin(), m_buf.begin() + 16, 99), 16);
}

TEST_F(PeriodicTest, ARenderNeverWritesPastTheBlock) {
  // A sample count larger than the block is cut to the block.
  Attach(64);
  g_nBufferSamples = 4096;
  Render(WF_SINE, kF92);
  Render(WF_WHITE_NOISE, 0.0f);
}

TEST_F(PeriodicTest, EveryWaveStaysInRangeUpToTheTopFrequency) {
  // At the top of the range half-cycles shrink to one or two samples, where
  // the triangle meets 0/0 on nearly every tent.
  Attach(8192);
  GenParams saved = g_GenParams;
  for (float fRequest : {20.0f, 7350.0f, 11025.0f, 13000.0f, 15999.0f, 16000.0f}) {
    g_GenParams.fFrequency = fRequest;
    SnapFrequency();
    float f = g_GenParams.fFrequency;
    for (int nCode : {WF_SINE, WF_SQUARE, WF_TRIANGLE, WF_SAWTOOTH, WF_SWEEP}) {
      Samples v = Render(nCode, f);
      EXPECT_LE(*std::max_element(v.begin(), v.end()), 32760) << nCode << " at " << f;
      EXPECT_GE(*std::min_element(v.begin(), v.end()), -32760) << nCode << " at " << f;
    }
  }
  g_GenParams = saved;
}

TEST_F(PeriodicTest, RatesOtherThanTheDefaultScaleThePhase) {
  // At 8000 Hz and 2000 Hz the sine has a period of 4 samples.
  Attach(8, 8000);
  Samples v = Render(WF_SINE, 2000.0f);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 32749);  // sin of just below pi/2
  EXPECT_EQ(v[2], 0);
  EXPECT_EQ(v[3], -32749);
}

}  // namespace
