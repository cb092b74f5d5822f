#include "signal_stats.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

void SignalStats::Add(const int16_t *samples, size_t count) {
  for (size_t i = 0; i < count; i++) {
    int s = samples[i];
    peak_ = std::max(peak_, std::abs(s));
    sumSquares_ += (double)s * s;
  }
  count_ += count;
}

double SignalStats::PeakDbfs() const {
  return peak_ ? 20.0 * std::log10(peak_ / 32768.0) : -INFINITY;
}

double SignalStats::RmsDbfs() const {
  if (count_ == 0 || sumSquares_ == 0.0) return -INFINITY;
  return 20.0 * std::log10(std::sqrt(sumSquares_ / (double)count_) / 32768.0);
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
