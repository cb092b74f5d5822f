/*
 * host/host.h - what the machine under the emulated handheld provides.
 *
 * A backend is a small table of operations: the clock the timers run on, a
 * wait for events until a deadline, a wake-up from any thread, and raising the
 * desktop window. The window manager calls them; it never asks which backend
 * is in use.
 *
 * Choosing a backend: the program's start-up installs one with Use() before it
 * enters WinMain (the desktop backend for a normal run, the headless one when
 * TONBROOK_HOST=headless). Tests install the headless backend through
 * host/headless.h. With nothing installed the system backend serves: the
 * monotonic clock, a real wait, and no desktop window.
 */
#ifndef TONBROOK_PLATFORM_HOST_H
#define TONBROOK_PLATFORM_HOST_H

#include <windows.h>

#include <cstdint>
#include <optional>

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
};

/* The backend in use (the system backend when none was installed). */
Backend &Current();

/* Installs backend (not owned; it must outlive its use); nullptr restores
 * the system backend. */
void Use(Backend *backend);

}  // namespace plat::host

#endif
