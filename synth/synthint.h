/*
 * synthint.h - arithmetic shared by the renderers.
 */
#ifndef TONBROOK_SYNTHINT_H
#define TONBROOK_SYNTHINT_H

#include <windows.h>

#include <atomic>
#include <stdint.h>

/* Truncates v toward zero to a 32-bit integer, as the device's conversion
 * does. Values the conversion leaves undefined get a defined result: NaN
 * (the 0/0 of a tent or ramp too short to climb) gives nIfNaN, which the
 * caller sets to the tent's peak or the ramp's start, and values beyond the
 * 32-bit range saturate. A float argument converts to double exactly, so
 * this serves single and double steps alike. */
static inline int32_t Trunc(double v, int32_t nIfNaN = 0) {
  if (v != v) return nIfNaN;
  if (v >= 2147483648.0) return INT32_MAX;
  if (v <= -2147483649.0) return INT32_MIN;
  return (int32_t)v;
}

/* Stores the low 16 bits of v as sample i. The device may be reading the
 * block while it is rewritten, so the store is a relaxed atomic one. */
static inline void PutSample(SHORT *pBuf, int i, int32_t v) {
  std::atomic_ref<SHORT>(pBuf[i]).store((SHORT)v, std::memory_order_relaxed);
}

/* Samples are worked out in chunks of this many, in plain memory where the
 * compiler can keep its registers and vectors, then stored with PutSamples. */
#define SAMPLE_CHUNK 64

/* Stores n samples from pv as samples i0 to i0 + n - 1, in ascending order.
 * The stores are atomic and so one at a time; unrolled, the loop's own
 * counting costs less than the stores. */
static inline void PutSamples(SHORT *pBuf, int i0, const int32_t *pv, int n) {
#pragma GCC unroll 8
  for (int j = 0; j < n; j++) PutSample(pBuf, i0 + j, pv[j]);
}

static inline SHORT GetSample(SHORT *pBuf, int i) {
  return std::atomic_ref<SHORT>(pBuf[i]).load(std::memory_order_relaxed);
}

void RenderWhiteNoise(SHORT *pBuf, int nSamples);
void RenderPinkNoise(SHORT *pBuf, int nSamples);

#endif
