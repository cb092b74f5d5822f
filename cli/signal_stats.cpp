#include "signal_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cli {

void SignalStats::Add(const int16_t *samples, size_t count) {
  // Whole blocks in integers, which is exact and quick; their sums in double.
  constexpr size_t kBlock = 1 << 16;
  for (size_t from = 0; from < count; from += kBlock) {
    size_t n = std::min(kBlock, count - from);
    int peak = peak_;
    int64_t sum = 0;
    for (size_t i = 0; i < n; i++) {
      int s = samples[from + i];
      peak = std::max(peak, std::abs(s));
      sum += (int64_t)s * s;
    }
    peak_ = peak;
    sumSquares_ += (double)sum;
  }
  count_ += count;
}

void SignalStats::AddRepeated(const SignalStats &other, uint64_t times) {
  if (times == 0) return;
  peak_ = std::max(peak_, other.peak_);
  sumSquares_ += other.sumSquares_ * (double)times;
  count_ += other.count_ * times;
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
