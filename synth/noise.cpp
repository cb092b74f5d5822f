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
#include <string.h>

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

/* The six one-pole stages: b = b * pole + w * gain in double, kept in
 * single (the last one's gain is negative: b * pole - w * 0.016898). */
#define PINK_STAGES 6
static const double PINK_POLE[PINK_STAGES] = {0.99886, 0.99332, 0.969, 0.8665, 0.55, -0.7616};
static const double PINK_GAIN[PINK_STAGES] = {0.0555179, 0.0750759, 0.153852, 0.3104856, 0.5329522, -0.016898};

/* Pink noise through six one-pole stages and two direct paths of the
 * current input, the states updated before they are summed, for two
 * independent renders side by side (lane 0 and lane 1), so that each step
 * of the stages is worked out for both at once, in vectors. Render l is
 * seeded with auSeed[l] and goes to apBuf[l]. A chunk is worked out in three loops: the inputs,
 * the stages' recurrences one sample after another, and the sums, which
 * need no sample before them. nLanes is 2, or 1 for render 0 alone.
 * Returns the last render's generator state at the end. */
static uint32_t RenderPinkLanes(SHORT *apBuf[2], const uint32_t auSeed[2], int nLanes, int nSamples) {
  int32_t aanChunk[2][SAMPLE_CHUNK];
  uint32_t aauState[2][SAMPLE_CHUNK];
  uint32_t auLast[2] = {auSeed[0], auSeed[1]};
  /* The inputs by lane, and side by side for the stages. */
  double aadW[2][SAMPLE_CHUNK], aadPair[SAMPLE_CHUNK][2];
  /* The stages' states after each sample of the chunk; past the end of a
   * short last chunk they hold the chunk before, which is never stored. */
  float aaafStage[2][PINK_STAGES][SAMPLE_CHUNK];
  float aafB[PINK_STAGES][2];
  memset(aaafStage, 0, sizeof aaafStage);
  memset(aafB, 0, sizeof aafB);
  for (int i0 = 0; i0 < nSamples; i0 += SAMPLE_CHUNK) {
    int n = nSamples - i0 < SAMPLE_CHUNK ? nSamples - i0 : SAMPLE_CHUNK;
    for (int l = 0; l < nLanes; l++) {
      NextRandStates(aauState[l], i0 == 0, auLast[l]);
      /* The input w, a single, held in double. */
      for (int j = 0; j < SAMPLE_CHUNK; j++) {
        int32_t nDraw = (int32_t)((aauState[l][j] >> 16) & 0x7FFF);
        aadW[l][j] = (double)(float)(((double)(float)nDraw * PINK_INPUT_SCALE) - 0.05);
      }
    }
    if (nLanes == 1) {
      /* One render: its stages as six scalars. */
      float b0 = aafB[0][0], b1 = aafB[1][0], b2 = aafB[2][0], b3 = aafB[3][0], b4 = aafB[4][0], b5 = aafB[5][0];
      for (int j = 0; j < n; j++) {
        double w = aadW[0][j];
        aaafStage[0][0][j] = b0 = (float)((double)b0 * PINK_POLE[0] + w * PINK_GAIN[0]);
        aaafStage[0][1][j] = b1 = (float)((double)b1 * PINK_POLE[1] + w * PINK_GAIN[1]);
        aaafStage[0][2][j] = b2 = (float)((double)b2 * PINK_POLE[2] + w * PINK_GAIN[2]);
        aaafStage[0][3][j] = b3 = (float)((double)b3 * PINK_POLE[3] + w * PINK_GAIN[3]);
        aaafStage[0][4][j] = b4 = (float)((double)b4 * PINK_POLE[4] + w * PINK_GAIN[4]);
        aaafStage[0][5][j] = b5 = (float)((double)b5 * PINK_POLE[5] + w * PINK_GAIN[5]);
      }
      aafB[0][0] = b0;
      aafB[1][0] = b1;
      aafB[2][0] = b2;
      aafB[3][0] = b3;
      aafB[4][0] = b4;
      aafB[5][0] = b5;
    }
    for (int j = 0; j < SAMPLE_CHUNK && nLanes == 2; j++) {
      aadPair[j][0] = aadW[0][j];
      aadPair[j][1] = aadW[1][j];
    }
    for (int j = 0; j < n && nLanes == 2; j++) {
      for (int k = 0; k < PINK_STAGES; k++) {
        aafB[k][0] = (float)((double)aafB[k][0] * PINK_POLE[k] + aadPair[j][0] * PINK_GAIN[k]);
        aafB[k][1] = (float)((double)aafB[k][1] * PINK_POLE[k] + aadPair[j][1] * PINK_GAIN[k]);
        aaafStage[0][k][j] = aafB[k][0];
        aaafStage[1][k][j] = aafB[k][1];
      }
    }
    /* The stages stay within a few units (|w| <= 0.05), so a sample is far
     * inside the 32-bit range and converts as it is. */
    for (int l = 0; l < nLanes; l++) {
      const float(*aafStage)[SAMPLE_CHUNK] = aaafStage[l];
      for (int j = 0; j < SAMPLE_CHUNK; j++) {
        double w = aadW[l][j];
        float t = (float)(w * 0.115926);
        float s = t + aafStage[5][j] + aafStage[4][j] + aafStage[3][j] + aafStage[2][j] + aafStage[1][j] +
                  aafStage[0][j];
        float p = (float)((double)s + w * 0.5362);
        aanChunk[l][j] = (int32_t)(p * 32760.0f);
      }
      PutSamples(apBuf[l], i0, aanChunk[l], n);
    }
    for (int l = 0; l < nLanes; l++) auLast[l] = aauState[l][n - 1];
  }
  return auLast[nLanes - 1];
}

void RenderPinkNoise(SHORT *pBuf, int nSamples) {
  SHORT *apBuf[2] = {pBuf, NULL};
  uint32_t auSeed[2] = {GetTickCount(), 0};
  srand(RenderPinkLanes(apBuf, auSeed, 1, nSamples));
}

void RenderPinkNoisePair(SHORT *pBufA, DWORD dwTickA, SHORT *pBufB, DWORD dwTickB, int nSamples) {
  SHORT *apBuf[2] = {pBufA, pBufB};
  uint32_t auSeed[2] = {dwTickA, dwTickB};
  srand(RenderPinkLanes(apBuf, auSeed, 2, nSamples));
}
