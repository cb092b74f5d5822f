/*
 * devices.h - the output devices of the platform's waveform audio services:
 * listing them and finding the one --device names.
 */
#ifndef TONBROOK_CLI_DEVICES_H
#define TONBROOK_CLI_DEVICES_H

#include <windows.h>

#include <optional>
#include <string>

#include "options.h"
#include "wave/wave.h"

namespace cli {

/* Prints "N: NAME" for every output device on standard output. False with
 * *error set when there is none. */
bool ListDevices(std::string *error);

/* The device opt.device names, by number or by name (the whole name, else
 * the one name that contains it, ignoring case); WAVE_MAPPER without
 * --device. None with *error set when no device matches. */
std::optional<UINT> ChooseDevice(const Options &opt, std::string *error);

/* Gathers the sound system's messages while it opens a device, from
 * construction until Take, instead of showing them, so that a failure is
 * told once, in one line, and -q silences the rest. The messages go where
 * they went before after Take or destruction; what was gathered and not
 * taken is then shown. */
class SoundMessages {
 public:
  SoundMessages();
  ~SoundMessages();
  SoundMessages(const SoundMessages &) = delete;
  SoundMessages &operator=(const SoundMessages &) = delete;

  /* Ends the gathering and returns the text, a line each. */
  std::string Take();

 private:
  bool m_gathering = true;
  std::string m_text;                  // written only by the sink while gathering
  plat::wave::MessageSink m_previous;  // where messages went before
};

/* From now on the sound system's messages are not shown (-q). */
void SilenceSoundMessages();

/* The gathered messages as the end of an error line: " (first; second)",
 * each without the program's prefix; empty when there are none. */
std::string AsReason(const std::string &messages);

}  // namespace cli

#endif
