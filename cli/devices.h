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

namespace cli {

// Prints "N: NAME" for every output device on standard output. False with
// *error set when there is none.
bool ListDevices(std::string *error);

// The device opt.device names, by number or by name (the whole name, else
// the one name that contains it, ignoring case); WAVE_MAPPER without
// --device. None with *error set when no device matches.
std::optional<UINT> ChooseDevice(const Options &opt, std::string *error);

}  // namespace cli

#endif
