/*
 * play.h - tonbrook-render --play: the signal through the sound engine on the
 * default output device, as the program plays it.
 */
#ifndef TONBROOK_CLI_PLAY_H
#define TONBROOK_CLI_PLAY_H

#include <string>

#include "options.h"

namespace cli {

// Plays opt's waveform at the snapped frequency in g_GenParams for
// opt.seconds, or until SIGINT or SIGTERM, re-rendering noise every timer
// period. False with *error set when no device can be opened or playback
// cannot start.
bool Play(const Options &opt, std::string *error);

}  // namespace cli

#endif
