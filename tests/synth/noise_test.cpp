#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "kernel/kernel.h"
#include "render_fixture.h"

namespace {

using Samples = std::vector<SHORT>;

class NoiseTest : public RenderTest {
 protected:
  void TearDown() override {
    plat::SetTickSource(nullptr);
    RenderTest::TearDown();
  }

  Samples RenderAt(int nWaveform, DWORD nTick) {
    plat::SetTickSource([nTick] { return nTick; });
    return Render(nWaveform, 0.0f);
  }
};

// A tick whose first random value, after srand(tick), is r.
DWORD TickForFirstRandom(int r) {
  for (DWORD t = 0;; t++) {
    srand(t);
    if (rand() == r) return t;
  }
}

double Rms(const Samples &v) {
  double sum = 0.0;
  for (SHORT s : v) sum += (double)s * s;
  return std::sqrt(sum / (double)v.size());
}

int Peak(const Samples &v) {
  int peak = 0;
  for (SHORT s : v) peak = std::max(peak, std::abs((int)s));
  return peak;
}

// Mean power of the DFT bins from fLow to fHigh Hz (a band average).
double BandPower(const Samples &v, double fLow, double fHigh, double fRate) {
  double n = (double)v.size(), sum = 0.0;
  int nBins = 0;
  for (int k = (int)(fLow * n / fRate); k <= (int)(fHigh * n / fRate); k++, nBins++) {
    double re = 0.0, im = 0.0;
    for (size_t i = 0; i < v.size(); i++) {
      double ph = 2.0 * M_PI * k * (double)i / n;
      re += v[i] * std::cos(ph);
      im -= v[i] * std::sin(ph);
    }
    sum += re * re + im * im;
  }
  return sum / nBins;
}

TEST_F(NoiseTest, WhiteNoiseMapsTheRandomRangeOntoHalfThePeak) {
  Attach(1);
  // min, min + 1, the two middle values, max - 1, max.
  const struct {
    int r;
    SHORT sample;
  } cases[] = {{0, 16380}, {1, 16379}, {16383, 0}, {16384, 0}, {32766, -16379}, {32767, -16380}};
  for (const auto &c : cases) EXPECT_EQ(RenderAt(WF_WHITE_NOISE, TickForFirstRandom(c.r))[0], c.sample) << c.r;
}

TEST_F(NoiseTest, SameTickSameNoiseOtherTickOtherNoise) {
  Attach(8192);
  for (int nCode : {WF_WHITE_NOISE, WF_PINK_NOISE}) {
    Samples a = RenderAt(nCode, 1000), b = RenderAt(nCode, 1000), c = RenderAt(nCode, 1001);
    EXPECT_EQ(a, b) << nCode;
    EXPECT_NE(a, c) << nCode;
    EXPECT_LT(std::inner_product(a.begin(), a.end(), c.begin(), 0.0) / 8192.0, Rms(a) * Rms(a) * 0.1)
        << "renders at neighbouring ticks are correlated";
  }
  // The tick wraps at 32 bits; both ends of it are seeds like any other.
  EXPECT_NE(RenderAt(WF_WHITE_NOISE, 0xFFFFFFFFu), RenderAt(WF_WHITE_NOISE, 0));
}

TEST_F(NoiseTest, WhiteNoiseStaysWithinHalfThePeakAndIsFlat) {
  Attach(8192);
  int peak = 0;
  double fLowBand = 0.0, fHighBand = 0.0;
  for (DWORD t = 0; t < 8; t++) {
    Samples v = RenderAt(WF_WHITE_NOISE, t * 7919u);
    peak = std::max(peak, Peak(v));
    EXPECT_NEAR(Rms(v), 16380.0 / std::sqrt(3.0), 400.0);
    fLowBand += BandPower(v, 100, 200, 44100);
    fHighBand += BandPower(v, 3200, 3300, 44100);
  }
  EXPECT_LE(peak, 16380);
  EXPECT_GE(peak, 16300);
  EXPECT_NEAR(10.0 * std::log10(fLowBand / fHighBand), 0.0, 3.0);
}

TEST_F(NoiseTest, PinkNoiseFallsThreeDecibelsPerOctave) {
  Attach(8192);
  std::vector<int> peaks;
  std::vector<double> rmses;
  double fLowBand = 0.0, fHighBand = 0.0;
  for (DWORD t = 0; t < 9; t++) {
    Samples v = RenderAt(WF_PINK_NOISE, 100000u + t * 7919u);
    peaks.push_back(Peak(v));
    rmses.push_back(Rms(v));
    fLowBand += BandPower(v, 200, 300, 44100);
    fHighBand += BandPower(v, 6400, 6500, 44100);
  }
  std::sort(peaks.begin(), peaks.end());
  std::sort(rmses.begin(), rmses.end());
  EXPECT_GT(peaks[4], 6000);
  EXPECT_LT(peaks[4], 12000);
  EXPECT_NEAR(rmses[4], 2800.0, 500.0);
  // Five octaves apart: about 15 dB.
  EXPECT_NEAR(10.0 * std::log10(fLowBand / fHighBand), 15.0, 4.0);
}

TEST_F(NoiseTest, PinkNoiseStartsSmallFromOneInput) {
  Attach(2);
  for (DWORD t = 0; t < 200; t++) {
    Samples v = RenderAt(WF_PINK_NOISE, t * 104729u);
    // One input of at most 0.05 through gains that sum to about 1.77.
    EXPECT_LE(std::abs(v[0]), 2900) << t;
  }
  // The extremes of the input: r = 0 gives the most negative first sample.
  Samples lo = RenderAt(WF_PINK_NOISE, TickForFirstRandom(0));
  Samples hi = RenderAt(WF_PINK_NOISE, TickForFirstRandom(32767));
  EXPECT_LT(lo[0], -2800);
  EXPECT_GT(hi[0], 2800);
}

TEST_F(NoiseTest, AnEmptyRenderStillSeedsTheGenerator) {
  Attach(0);
  for (int nCode : {WF_WHITE_NOISE, WF_PINK_NOISE}) {
    srand(1);
    RenderAt(nCode, 4242);
    int nAfter = rand();
    srand(4242);
    EXPECT_EQ(nAfter, rand()) << nCode;
  }
}

}  // namespace
