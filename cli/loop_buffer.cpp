#include "loop_buffer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "sound.h"
#include "synth.h"

namespace cli {

void SetParams(const Options &opt) {
  g_GenParams.nSampleRate = opt.rate;
  g_GenParams.nBufferLen = opt.length;
  g_GenParams.fFrequency = opt.requestedHz;
  SnapFrequency();
}

bool AttachLoopBuffer(const Options &opt) {
  SetParams(opt);
  g_AudioFormat.nSamplesPerSec = (DWORD)opt.rate;
  g_nBufferSamples = opt.length;
  g_cbOutBuffer = (g_AudioFormat.nBitsPerSample >> 3) * (DWORD)opt.length;
  g_cbInBuffer = g_cbOutBuffer;
  g_pOutData[0] = (SHORT *)LocalAlloc(LPTR, g_cbOutBuffer);
  g_nOutBuffers = g_pOutData[0] ? 1 : 0;
  return g_pOutData[0] != NULL;
}

void DetachLoopBuffer() {
  LocalFree(g_pOutData[0]);
  g_pOutData[0] = NULL;
  g_nOutBuffers = 0;
}

const int16_t *LoopSamples() { return (const int16_t *)g_pOutData[0]; }
SHORT *MutableLoopSamples() { return g_pOutData[0]; }

std::optional<int> ExactLength(int rate, float hz) {
  GenParams saved = g_GenParams;
  std::optional<int> found;
  g_GenParams.nSampleRate = rate;
  for (int n = 1; n <= 1048576 && !found; n++) {
    // The snap's own products must stay in range, as for any length.
    float a = (float)n * hz;
    if (!(a >= -2147483648.0f && a < 2147483648.0f)) continue;
    int64_t k = std::max<int64_t>(1, (int64_t)((float)(int32_t)a / (float)rate));
    if ((int64_t)rate * k > INT32_MAX) continue;
    g_GenParams.nBufferLen = n;
    g_GenParams.fFrequency = hz;
    SnapFrequency();
    if (g_GenParams.fFrequency == hz) found = n;
  }
  g_GenParams = saved;
  return found;
}

Shaper::Shaper(const Options &opt)
    : m_factor(opt.gainDb == 0.0 ? 1.0 : std::pow(10.0, opt.gainDb / 20.0)),
      m_channels(opt.channels),
      m_placement(opt.placement) {}

int16_t Shaper::Scaled(int16_t s) const {
  return m_factor == 1.0 ? s : (int16_t)std::round((double)s * m_factor);
}

void Shaper::Shape(const int16_t *mono, size_t count, int16_t *out) const {
  if (m_channels == 1) {
    if (m_factor == 1.0) {
      memcpy(out, mono, count * sizeof *mono);
    } else {
      for (size_t i = 0; i < count; i++) out[i] = Scaled(mono[i]);
    }
    return;
  }
  bool left = m_placement != Placement::kRight, right = m_placement != Placement::kLeft;
  for (size_t i = 0; i < count; i++) {
    int16_t s = Scaled(mono[i]);
    out[2 * i] = left ? s : 0;
    out[2 * i + 1] = right ? s : 0;
  }
}

}  // namespace cli
