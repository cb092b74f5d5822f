/*
 * noise.cpp - white and pink noise. Every render seeds the runtime's
 * generator from the tick count and starts the pink filter from zero, so no
 * two renders at different ticks share anything.
 *
 * The runtime's generator (state = state * 214013 + 2531011, rand() the
 * state's bits 16 to 30) is stepped here a chunk at a time, eight steps
 * apart, so that a chunk's draws need no call and no chain of one step
 * after another; srand leaves the runtime's generator where the same
 * number of rand() calls would.
 */
#include "synthint.h"

#include <stdlib.h>

/* 1/32767 in single precision (bit pattern 0x38000100). */
static const float WHITE_SCALE = 3.0518509447574615e-05f;
/* 0.1/32767 in double precision. */
static const double PINK_INPUT_SCALE = 3.0518509475997192e-06;

#define RAND_MUL 214013u
#define RAND_ADD 2531011u
/* Eight steps at once: state * RAND_MUL8 + RAND_ADD8. */
#define RAND_STRIDE 8
#define RAND_MUL8 4103125409u
#define RAND_ADD8 2115878600u

/* The generator's states for the next chunk of draws, each state eight
 * steps after the one eight places before it: the first chunk steps from
 * uSeed (srand's seed) one step at a time for its first eight states, a
 * later one goes on from the chunk before in puState. A draw is the state's
 * bits 16 to 30. The loops run a whole chunk, so that they run in vectors. */
static inline void NextRandStates(uint32_t *puState, BOOL bFirst, uint32_t uSeed) {
  if (bFirst) {
    for (int j = 0; j < RAND_STRIDE; j++) {
      uSeed = uSeed * RAND_MUL + RAND_ADD;
      puState[j] = uSeed;
    }
  } else {
    for (int j = 0; j < RAND_STRIDE; j++) puState[j] = puState[SAMPLE_CHUNK - RAND_STRIDE + j] * RAND_MUL8 + RAND_ADD8;
  }
  for (int j = RAND_STRIDE; j < SAMPLE_CHUNK; j++) puState[j] = puState[j - RAND_STRIDE] * RAND_MUL8 + RAND_ADD8;
}

void RenderWhiteNoise(SHORT *pBuf, int nSamples) {
  int32_t anChunk[SAMPLE_CHUNK];
  uint32_t auState[SAMPLE_CHUNK];
  uint32_t uState = GetTickCount();
  for (int i0 = 0; i0 < nSamples; i0 += SAMPLE_CHUNK) {
    int n = nSamples - i0 < SAMPLE_CHUNK ? nSamples - i0 : SAMPLE_CHUNK;
    NextRandStates(auState, i0 == 0, uState);
    /* x lies in [0, 1], so the sample lies within +-16380 and converts
     * as it is, a whole chunk at a time, in vectors. */
    for (int j = 0; j < SAMPLE_CHUNK; j++) {
      float x = (float)(int32_t)((auState[j] >> 16) & 0x7FFF) * WHITE_SCALE;
      anChunk[j] = (int32_t)((0.5 - (double)x) * 32760.0);
    }
    PutSamples(pBuf, i0, anChunk, n);
    uState = auState[n - 1];
  }
  srand(uState);
}

/* One step of a first-order stage: b = b * c + w * g, in double, kept in
 * single. */
static inline float PinkStage(float b, double c, double w, double g) {
  return (float)((double)b * c + w * g);
}

/* Pink noise through six one-pole stages and two direct paths of the
 * current input, the states updated before they are summed. A chunk is
 * worked out in three loops: the inputs, then the stages' recurrences one
 * sample after another, then the sums, which need no sample before them
 * and run in vectors. */
void RenderPinkNoise(SHORT *pBuf, int nSamples) {
  int32_t anChunk[SAMPLE_CHUNK];
  uint32_t auState[SAMPLE_CHUNK];
  double adW[SAMPLE_CHUNK];
  /* The stages' states after each sample of the chunk; past the end of a
   * short last chunk they hold the chunk before, which is never stored. */
  float af0[SAMPLE_CHUNK] = {0}, af1[SAMPLE_CHUNK] = {0}, af2[SAMPLE_CHUNK] = {0};
  float af3[SAMPLE_CHUNK] = {0}, af4[SAMPLE_CHUNK] = {0}, af5[SAMPLE_CHUNK] = {0};
  float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, b3 = 0.0f, b4 = 0.0f, b5 = 0.0f;
  uint32_t uState = GetTickCount();
  for (int i0 = 0; i0 < nSamples; i0 += SAMPLE_CHUNK) {
    int n = nSamples - i0 < SAMPLE_CHUNK ? nSamples - i0 : SAMPLE_CHUNK;
    NextRandStates(auState, i0 == 0, uState);
    /* The input w, a single, held in double. */
    for (int j = 0; j < SAMPLE_CHUNK; j++) {
      int32_t nDraw = (int32_t)((auState[j] >> 16) & 0x7FFF);
      adW[j] = (double)(float)(((double)(float)nDraw * PINK_INPUT_SCALE) - 0.05);
    }
    for (int j = 0; j < n; j++) {
      double w = adW[j];
      af0[j] = b0 = PinkStage(b0, 0.99886, w, 0.0555179);
      af1[j] = b1 = PinkStage(b1, 0.99332, w, 0.0750759);
      af2[j] = b2 = PinkStage(b2, 0.969, w, 0.153852);
      af3[j] = b3 = PinkStage(b3, 0.8665, w, 0.3104856);
      af4[j] = b4 = PinkStage(b4, 0.55, w, 0.5329522);
      af5[j] = b5 = (float)((double)b5 * -0.7616 - w * 0.016898);
    }
    /* The stages stay within a few units (|w| <= 0.05), so the sample is
     * far inside the 32-bit range and converts as it is. */
    for (int j = 0; j < SAMPLE_CHUNK; j++) {
      double w = adW[j];
      float t = (float)(w * 0.115926);
      float s = t + af5[j] + af4[j] + af3[j] + af2[j] + af1[j] + af0[j];
      float p = (float)((double)s + w * 0.5362);
      anChunk[j] = (int32_t)(p * 32760.0f);
    }
    PutSamples(pBuf, i0, anChunk, n);
    uState = auState[n - 1];
  }
  srand(uState);
}
