/*
 * host/host.h - what the machine under the emulated handheld provides.
 *
 * A backend is a small table of operations: the clock the timers run on, a
 * wait for events until a deadline, a wake-up from any thread, and raising the
 * desktop window. The window manager calls them; it never asks which backend
 * is in use.
 *
 * A backend hands its input to the window manager with user::PostInput
 * (from Wait, on the UI thread, or from any thread followed by Wake); a
 * desktop backend turns the closing of its window into WM_CLOSE posted to
 * the top-level window.
 *
 * Choosing a backend: the program's start-up installs one with Use() before it
 * enters WinMain (the desktop backend for a normal run, the headless one when
 * TONBROOK_HOST=headless). Tests install the headless backend through
 * host/headless.h. With nothing installed the system backend serves: on a
 * machine with threads the monotonic clock, a real wait and no desktop
 * window (host/system.cpp); in the browser the page (host/web.cpp).
 */
#ifndef TONBROOK_PLATFORM_HOST_H
#define TONBROOK_PLATFORM_HOST_H

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plat::host {

class Backend {
 public:
  virtual ~Backend() = default;
  /* Milliseconds on the clock that timers and GetTickCount follow. */
  virtual uint64_t Now() = 0;
  /* Called on the UI thread when it has nothing to do: returns when Wake()
   * was called (also before this call, since the last return), when the clock
   * reaches deadline, or when the backend delivered input. */
  virtual void Wait(std::optional<uint64_t> deadline) = 0;
  /* Ends a Wait in progress or the next one; callable from any thread. */
  virtual void Wake() = 0;
  /* Brings the desktop window that shows the handheld to the front. */
  virtual void Raise() = 0;
  /* True when nobody sees the screen or can touch it (a program started
   * headless from its environment, with no script): a message box then
   * writes its caption and text on standard error and takes its default
   * button at once, so that the program can go on and end. */
  virtual bool Unattended() { return false; }
};

/* A new system backend: the one Current() gives while none is installed. */
std::shared_ptr<Backend> SystemBackend();

/* The backend in use (the system backend when none was installed). A
 * caller on another thread keeps it alive while it uses it. */
std::shared_ptr<Backend> Current();

/* Installs a backend; nullptr restores the system backend. */
void Use(std::shared_ptr<Backend> backend);

/* The program's name, as its module's file name gives it: the file name of
 * the running executable (also when that file was replaced since it
 * started), or the base name it was started by when the executable cannot
 * be read. The platform's messages begin with it, and the folder through
 * which its starts find each other is named after it. */
const std::string &ProgramName();

}  // namespace plat::host

#endif
