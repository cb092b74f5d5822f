/*
 * render.cpp - GenerateWaveform: the periodic waves, the two test signals and
 * the copy into further output buffers.
 *
 * Every step is done in the precision written next to it; together they fix
 * each sample bit for bit.
 */
#include "synth.h"
#include "synthint.h"
#include "sound.h"

#include <math.h>

/* One unit in the last place below the float nearest to 2 pi. */
static const float PHASE_TWO_PI = 6.283185f;

static const double SINE_PEAK = 32750.0;
static const float TENT_PEAK = 32760.0f;
static const float RAMP_SPAN = 65520.0f;
static const float RAMP_LOW = 32760.0f;
static const int IMPULSE_PEAK = 32760;

/* Phase of sample i: ((float)i * omega) * f, both products in single. */
static inline float Phase(int i, float fOmega, float fFreq) {
  return ((float)i * fOmega) * fFreq;
}

/* The fraction j / d of a tent or ramp, in single. A one-sample ramp or a tent
 * whose first part is one sample has d = 0; its fraction is 0/0, which is
 * returned as NaN without dividing, so that Trunc writes those samples as the
 * tent's peak (a tent of one or two samples is at its top, which keeps the
 * triangle audible up to the highest frequency) or the ramp's start. */
static inline float Fraction(int j, float d) {
  return d == 0.0f ? NAN : (float)j / d;
}

static void RenderSine(SHORT *pBuf, int nSamples, float fOmega, float fFreq) {
  for (int i = 0; i < nSamples; i++) {
    double v = sin((double)Phase(i, fOmega, fFreq));
    PutSample(pBuf, i, Trunc(v * SINE_PEAK));
  }
}

static void RenderSquare(SHORT *pBuf, int nSamples, float fOmega, float fFreq) {
  for (int i = 0; i < nSamples; i++) {
    double v = sin((double)Phase(i, fOmega, fFreq));
    PutSample(pBuf, i, v < 0.0 ? -32750 : 32750);
  }
}

/* A tent over samples a to b - 1: up from 0 to the peak over its first
 * (L + 1) / 2 samples, the peak again, then down. bPositive picks the sign.
 * A tent of one or two samples is its peak throughout. */
static void WriteTent(SHORT *pBuf, int a, int b, BOOL bPositive) {
  int nLen = b - a;
  if (nLen <= 0) return;
  int h = (nLen + 1) / 2;
  int m = a + h;
  float d = (float)(h - 1);
  int32_t nPeak = bPositive ? (int32_t)TENT_PEAK : -(int32_t)TENT_PEAK;

  for (int j = 0; j < h; j++) {
    float q = Fraction(j, d);
    PutSample(pBuf, a + j, Trunc(bPositive ? q * TENT_PEAK : q * -TENT_PEAK, nPeak));
  }
  for (int j = 0; j < b - m; j++) {
    float q = Fraction(j, d);
    int32_t v = bPositive ? Trunc((1.0 - (double)q) * (double)TENT_PEAK, nPeak)
                          : Trunc((q - 1.0f) * TENT_PEAK, nPeak);
    PutSample(pBuf, m + j, v);
  }
}

static void RenderTriangle(SHORT *pBuf, int nSamples, float fOmega, float fFreq) {
  int nState = 1;
  int a = 0;
  for (int i = 0; i < nSamples; i++) {
    float s = (float)sin((double)Phase(i, fOmega, fFreq));
    if (s < 0.0f && nState == 1) {
      WriteTent(pBuf, a, i, TRUE);
      nState = -1;
      a = i;
    } else if (i == nSamples - 1 || (s > 0.0f && nState == -1)) {
      WriteTent(pBuf, a, i, FALSE);
      nState = 1;
      a = i;
    }
  }
  if (nSamples > 0) PutSample(pBuf, a, 0);
}

/* A rising ramp over samples a to b - 1, from the low end to the high end.
 * A one-sample ramp is its start, the low end. */
static void WriteRamp(SHORT *pBuf, int a, int b) {
  int nLen = b - a;
  if (nLen <= 0) return;
  float d = (float)(nLen - 1);
  for (int j = 0; j < nLen; j++) {
    PutSample(pBuf, a + j, Trunc(Fraction(j, d) * RAMP_SPAN - RAMP_LOW, -(int32_t)RAMP_LOW));
  }
}

static void RenderSawtooth(SHORT *pBuf, int nSamples, float fOmega, float fFreq) {
  int nState = 1;
  int a = 0;
  for (int i = 0; i < nSamples; i++) {
    float s = (float)sin((double)Phase(i, fOmega, fFreq));
    if (i == nSamples - 1 || (s < 0.0f && nState == 1)) {
      WriteRamp(pBuf, a, i);
      nState = -1;
      a = i;
    } else if (s > 0.0f && nState == -1) {
      nState = 1;
    }
  }
  if (nSamples > 0) PutSample(pBuf, a, -(int32_t)RAMP_LOW);
}

static void RenderImpulse(SHORT *pBuf, int nSamples) {
  for (int i = 0; i < nSamples; i++) PutSample(pBuf, i, i == 0 ? IMPULSE_PEAK : 0);
}

/* Silence for seven eighths of the buffer, then a sine whose F rises from
 * 100 Hz toward the Nyquist frequency. */
static void RenderSweep(SHORT *pBuf, int nSamples, float fOmega, float fNyquist) {
  int i0 = (int)(((uint32_t)nSamples * 7u) >> 3);
  for (int i = 0; i < i0; i++) PutSample(pBuf, i, 0);
  float fSpan = (float)(nSamples - i0);
  for (int i = i0; i < nSamples; i++) {
    float t = (float)(i - i0);
    float f = ((fNyquist - 100.0f) * t) / fSpan + 100.0f;
    double v = sin((double)((f * t) * fOmega));
    PutSample(pBuf, i, Trunc(v * SINE_PEAK));
  }
}

/* Copies slot 0 into every further output slot in use. */
static void CopyToOtherSlots(int nSamples) {
  int nSlots = g_nOutBuffers < SOUND_OUT_BUFFERS ? g_nOutBuffers : SOUND_OUT_BUFFERS;
  for (int j = 1; j < nSlots; j++) {
    if (g_pOutData[j] == NULL) continue;
    for (int i = 0; i < nSamples; i++) PutSample(g_pOutData[j], i, GetSample(g_pOutData[0], i));
  }
}

/* The number of samples a render may write: g_nBufferSamples, never more
 * than the block holds. */
static int RenderLength(void) {
  if (g_nBufferSamples <= 0) return 0;
  DWORD nFit = g_cbOutBuffer / sizeof(SHORT);
  return (DWORD)g_nBufferSamples > nFit ? (int)nFit : g_nBufferSamples;
}

int GenerateWaveform(int nWaveform, float fFreq) {
  SHORT *pBuf = g_pOutData[0];
  if (pBuf == NULL) return 0;

  DWORD nRate = g_AudioFormat.nSamplesPerSec;
  float fOmega = PHASE_TWO_PI / (float)nRate;
  float fNyquist = (float)((double)nRate * 0.5);
  int nSamples = RenderLength();

  switch (nWaveform) {
    case WF_IMPULSE: RenderImpulse(pBuf, nSamples); break;
    case WF_SWEEP: RenderSweep(pBuf, nSamples, fOmega, fNyquist); break;
    case WF_SINE: RenderSine(pBuf, nSamples, fOmega, fFreq); break;
    case WF_WHITE_NOISE: RenderWhiteNoise(pBuf, nSamples); break;
    case WF_SAWTOOTH: RenderSawtooth(pBuf, nSamples, fOmega, fFreq); break;
    case WF_SQUARE: RenderSquare(pBuf, nSamples, fOmega, fFreq); break;
    case WF_PINK_NOISE: RenderPinkNoise(pBuf, nSamples); break;
    case WF_TRIANGLE: RenderTriangle(pBuf, nSamples, fOmega, fFreq); break;
    default: break;
  }

  CopyToOtherSlots(nSamples);
  return 0;
}
