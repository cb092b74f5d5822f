/*
 * host/desktop.h - the handheld on the desktop: its screen in an SDL
 * window, the mouse as the stylus and the keyboard as its keys.
 *
 * The program's main hands its WinMain to RunProgram, which picks the host
 * (TONBROOK_HOST=headless runs without a window), starts it, runs WinMain
 * and returns the exit code for main to return:
 *
 *   int main() { return plat::host::RunProgram(WinMain, plat::ModuleInstance()); }
 */
#ifndef TONBROOK_PLATFORM_DESKTOP_H
#define TONBROOK_PLATFORM_DESKTOP_H

#include <windows.h>

#include "host/headless.h"

namespace plat::host {

/* Opens the desktop window (the 240 x 320 screen at 2x) and installs its
 * backend and the graphics layer. False, after one line on standard error,
 * when there is no display, when none of those named can be opened (unless
 * SDL_VIDEODRIVER names the driver to use) or SDL cannot open a window. */
bool StartDesktop();

/* Closes the desktop window and restores the system backend; SDL stays
 * initialised until the process ends. */
void StopDesktop();

/* Runs winMain on the desktop (or headless when TONBROOK_HOST=headless) and
 * returns its exit code; 1 when the desktop could not be started. */
int RunProgram(WinMainFn winMain, HINSTANCE hInstance);

/* Where the screen lies in a desktop window of a size: the largest whole
 * scale that fits (at least 1, at most 8), centred. */
struct Layout {
  int scale = 1;
  int left = 0;
  int top = 0;
};
Layout LayoutFor(int windowWidth, int windowHeight);

/* The screen point under a point of the desktop window (outside the screen
 * when the point is beside it). */
POINT ScreenPointOf(const Layout &layout, int x, int y);

/* The virtual key of an SDL key code, 0 for a key the handheld lacks. */
int VirtualKeyOf(int sdlKey);

}  // namespace plat::host

#endif
