/*
 * host/screenshot.h - the handheld's screen as a PNG file.
 *
 * A headless script takes one with a call step:
 *   Step::Call(500, [] { plat::host::WriteScreenshot("shot.png"); })
 */
#ifndef TONBROOK_PLATFORM_SCREENSHOT_H
#define TONBROOK_PLATFORM_SCREENSHOT_H

#include <string>

namespace plat::host {

/* Brings the navigation bar up to date and writes the 240 x 320 screen to
 * path as an 8-bit RGB PNG. False (and no file left behind) when the file
 * cannot be written. */
bool WriteScreenshot(const std::string &path);

}  // namespace plat::host

#endif
