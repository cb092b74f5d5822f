/*
 * host/xconnection.h - the X connection under a window of SDL's x11 video
 * driver, kept apart because Xlib's names clash with the handheld's.
 */
#ifndef TONBROOK_PLATFORM_XCONNECTION_H
#define TONBROOK_PLATFORM_XCONNECTION_H

struct SDL_Window;

namespace plat::host {

/* The file descriptor of the X connection the window talks through; -1 for
 * a window of another video driver or when SDL cannot say. */
int XConnectionOf(SDL_Window *window);

}  // namespace plat::host

#endif
