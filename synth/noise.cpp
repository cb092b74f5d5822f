/*
 * noise.cpp - white and pink noise. Every render seeds the runtime's
 * generator from the tick count and starts the pink filter from zero, so no
 * two renders at different ticks share anything.
 */
#include "synthint.h"

#include <stdlib.h>

/* 1/32767 in single precision (bit pattern 0x38000100). */
static const float WHITE_SCALE = 3.0518509447574615e-05f;
/* 0.1/32767 in double precision. */
static const double PINK_INPUT_SCALE = 3.0518509475997192e-06;

void RenderWhiteNoise(SHORT *pBuf, int nSamples) {
  int32_t anChunk[SAMPLE_CHUNK];
  srand(GetTickCount());
  for (int i0 = 0; i0 < nSamples; i0 += SAMPLE_CHUNK) {
    int n = nSamples - i0 < SAMPLE_CHUNK ? nSamples - i0 : SAMPLE_CHUNK;
    for (int j = 0; j < n; j++) {
      float x = (float)rand() * WHITE_SCALE;
      anChunk[j] = Trunc((0.5 - (double)x) * 32760.0);
    }
    PutSamples(pBuf, i0, anChunk, n);
  }
}

/* One step of a first-order stage: b = b * c + w * g, in double, kept in
 * single. */
static inline float PinkStage(float b, double c, float w, double g) {
  return (float)((double)b * c + (double)w * g);
}

/* Pink noise through six one-pole stages and two direct paths of the
 * current input, the states updated before they are summed. */
void RenderPinkNoise(SHORT *pBuf, int nSamples) {
  int32_t anChunk[SAMPLE_CHUNK];
  float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, b3 = 0.0f, b4 = 0.0f, b5 = 0.0f;
  srand(GetTickCount());
  for (int i0 = 0; i0 < nSamples; i0 += SAMPLE_CHUNK) {
    int n = nSamples - i0 < SAMPLE_CHUNK ? nSamples - i0 : SAMPLE_CHUNK;
    for (int j = 0; j < n; j++) {
      float w = (float)(((double)(float)rand() * PINK_INPUT_SCALE) - 0.05);
      b0 = PinkStage(b0, 0.99886, w, 0.0555179);
      b1 = PinkStage(b1, 0.99332, w, 0.0750759);
      b2 = PinkStage(b2, 0.969, w, 0.153852);
      b3 = PinkStage(b3, 0.8665, w, 0.3104856);
      b4 = PinkStage(b4, 0.55, w, 0.5329522);
      b5 = (float)((double)b5 * -0.7616 - (double)w * 0.016898);
      float t = (float)((double)w * 0.115926);
      float s = t + b5 + b4 + b3 + b2 + b1 + b0;
      float p = (float)((double)s + (double)w * 0.5362);
      anChunk[j] = Trunc(p * 32760.0f);
    }
    PutSamples(pBuf, i0, anChunk, n);
  }
}
