/* The loop buffer that the renderer itself makes, for comparing the
 * command line's output with. */
#ifndef TONBROOK_TESTS_COMMON_REFERENCE_H
#define TONBROOK_TESTS_COMMON_REFERENCE_H

#include <cstdint>
#include <vector>

#include "kernel/kernel.h"
#include "sound.h"
#include "synth.h"

// What the renderer puts in a loop buffer of these dimensions, in process.
inline std::vector<int16_t> Reference(int code, float requestHz, int rate, int length, DWORD tick) {
  std::vector<SHORT> buf((size_t)length, 0);
  GenParams saved = g_GenParams;
  g_GenParams.nSampleRate = rate;
  g_GenParams.nBufferLen = length;
  g_GenParams.fFrequency = requestHz;
  SnapFrequency();
  g_AudioFormat.nSamplesPerSec = (DWORD)rate;
  g_nBufferSamples = length;
  g_cbOutBuffer = 2u * (DWORD)length;
  g_pOutData[0] = buf.data();
  g_nOutBuffers = 1;
  plat::SetTickSource([tick] { return tick; });
  GenerateWaveform(code, g_GenParams.fFrequency);
  plat::SetTickSource(nullptr);
  g_pOutData[0] = NULL;
  g_nOutBuffers = 0;
  g_GenParams = saved;
  return std::vector<int16_t>(buf.begin(), buf.end());
}

#endif
