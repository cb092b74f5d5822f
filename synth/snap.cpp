#include "synth.h"
#include "synthint.h"

GenParams g_GenParams = {44100, 8192, 500.0f, 40};

/* Snaps the frequency down to k * R / N with k = (int)((float)(int)(N * f) / R),
 * at least 1. The single-precision steps are the design's; the product R * k
 * wraps at 32 bits as the device's would. A zero rate or length has no
 * whole-cycle frequency and leaves the frequency as it is. */
void SnapFrequency(void) {
  int nRate = g_GenParams.nSampleRate;
  int nLen = g_GenParams.nBufferLen;
  if (nRate == 0 || nLen == 0) return;

  float a = (float)nLen * g_GenParams.fFrequency;
  float aWhole = (float)Trunc(a);
  int k = Trunc(aWhole / (float)nRate);
  if (k < 1) k = 1;
  g_GenParams.fFrequency = (float)(int32_t)((int64_t)nRate * k) / (float)nLen;
}
