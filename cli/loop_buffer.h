/*
 * loop_buffer.h - the loop buffer tonbrook-render renders into, and what it does
 * to the samples on their way out: gain and placement in the channels.
 */
#ifndef TONBROOK_CLI_LOOP_BUFFER_H
#define TONBROOK_CLI_LOOP_BUFFER_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include <windows.h>

#include "options.h"

namespace cli {

// Sets the generator parameters and snaps the frequency for them.
void SetParams(const Options &opt);

// Puts one zero-filled loop buffer in the engine's table, as the engine's
// initialisation does, and snaps the frequency for it. False when there is
// no memory for it.
bool AttachLoopBuffer(const Options &opt);
void DetachLoopBuffer();

// The loop buffer's samples; the second for rendering into them.
const int16_t *LoopSamples();
SHORT *MutableLoopSamples();

// The shortest loop length, up to the largest one, for which the snapped
// frequency is the requested one; none when there is no such length.
std::optional<int> ExactLength(int rate, float hz);

// Gain and channel placement of mono samples on their way out.
class Shaper {
 public:
  explicit Shaper(const Options &opt);
  // True when the samples go out as they are.
  bool Identity() const { return m_factor == 1.0 && m_channels == 1; }
  int Channels() const { return m_channels; }
  // Writes count frames for count mono samples to out. Each sample is
  // multiplied by the gain factor in double precision and rounded to the
  // nearest integer, halves away from zero.
  void Shape(const int16_t *mono, size_t count, int16_t *out) const;
  // The sample the gain makes of s.
  int16_t Scaled(int16_t s) const;

 private:
  double m_factor;
  int m_channels;
  Placement m_placement;
};

}  // namespace cli

#endif
