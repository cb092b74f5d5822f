#include "signal_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

void SignalStats::Add(const int16_t *samples, size_t count) {
  // Lowest and highest apart, and squares in integers, which is exact; the
  // whole rows of kRow samples run in vectors, the rest one by one.
  constexpr size_t kRow = 64;
  int16_t lo = 0, hi = 0;
  uint64_t sum = 0;
  size_t i = 0;
  for (; i + kRow <= count; i += kRow) {
    uint64_t rowSum = 0;
    int16_t rowLo = 0, rowHi = 0;
    for (size_t j = 0; j < kRow; j++) {
      int16_t s = samples[i + j];
      rowLo = std::min(rowLo, s);
      rowHi = std::max(rowHi, s);
      rowSum += (uint32_t)((int32_t)s * s);
    }
    lo = std::min(lo, rowLo);
    hi = std::max(hi, rowHi);
    sum += rowSum;
  }
  for (; i < count; i++) {
    int16_t s = samples[i];
    lo = std::min(lo, s);
    hi = std::max(hi, s);
    sum += (uint32_t)((int32_t)s * s);
  }
  m_peak = std::max({m_peak, -(int)lo, (int)hi});
  m_sumSquares += (double)sum;
  m_count += count;
}

void SignalStats::AddRepeated(const SignalStats &other, uint64_t times) {
  if (times == 0) return;
  m_peak = std::max(m_peak, other.m_peak);
  m_sumSquares += other.m_sumSquares * (double)times;
  m_count += other.m_count * times;
}

double SignalStats::PeakDbfs() const {
  return m_peak ? 20.0 * std::log10(m_peak / 32768.0) : -INFINITY;
}

double SignalStats::RmsDbfs() const {
  if (m_count == 0 || m_sumSquares == 0.0) return -INFINITY;
  return 20.0 * std::log10(std::sqrt(m_sumSquares / (double)m_count) / 32768.0);
}

std::string FormatDbfs(double dbfs) {
  if (std::isinf(dbfs)) return "-inf dBFS";
  char text[32];
  snprintf(text, sizeof text, "%.2f dBFS", dbfs);
  return text;
}

std::string FormatHz(float hz) {
  char text[64];
  snprintf(text, sizeof text, "%.20f", (double)hz);
  std::string s = text;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace cli
