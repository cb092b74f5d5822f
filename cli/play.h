/*
 * play.h - tonbrook-render --play: the signal through the sound engine on the
 * default output device, as the program plays it; or, with a gain, two
 * channels or a chosen device, on a device opened here through the same
 * waveform audio services, looping one buffer in the same way.
 */
#ifndef TONBROOK_CLI_PLAY_H
#define TONBROOK_CLI_PLAY_H

#include <windows.h>

#include <string>

#include "options.h"

namespace cli {

// Plays opt's waveform at the snapped frequency in g_GenParams for
// opt.seconds, or until SIGINT or SIGTERM, re-rendering noise every timer
// period. False with *error set when no device can be opened or playback
// cannot start.
bool Play(const Options &opt, std::string *error);

/* The signal (SIGINT, SIGTERM, SIGHUP) that stopped the last play; 0 when
 * it ran its time. */
int StopSignal();

// True when opt plays through the sound engine: one channel, no gain, the
// default device.
bool UsesEngine(const Options &opt);

// Plays as Play does, shaped by opt's gain and channels, on device id.
bool PlayOnDevice(const Options &opt, UINT id, std::string *error);

}  // namespace cli

#endif
