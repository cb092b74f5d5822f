/*
 * signal_stats.h - level of a rendered signal: peak and RMS relative to
 * 16-bit full scale (32768).
 */
#ifndef TONBROOK_CLI_SIGNAL_STATS_H
#define TONBROOK_CLI_SIGNAL_STATS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

class SignalStats {
 public:
  void Add(const int16_t *samples, size_t count);
  // Adds what other counted, times over.
  void AddRepeated(const SignalStats &other, uint64_t times);

  uint64_t Count() const { return m_count; }
  int Peak() const { return m_peak; }
  // Levels in dBFS; silence is minus infinity.
  double PeakDbfs() const;
  double RmsDbfs() const;

 private:
  uint64_t m_count = 0;
  int m_peak = 0;
  double m_sumSquares = 0.0;
};

// "-3.01 dBFS", or "-inf dBFS" for silence.
std::string FormatDbfs(double dbfs);

// A frequency in Hz as the exact decimal value of the float, without
// trailing zeros: 495.263671875, 5.38330078125, 1000.
std::string FormatHz(float hz);

}  // namespace cli

#endif
