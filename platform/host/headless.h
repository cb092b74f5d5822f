/*
 * host/headless.h - the handheld without a screen, for tests.
 *
 * A virtual clock that stands still while the UI thread works and jumps to
 * the next timer (or the next scripted input) when it would wait; input is
 * injected by a script of steps at given times. GetTickCount follows the
 * virtual clock while the host is in use.
 *
 * Once the script is played out, a wait with no timer pending lasts until
 * another thread posts: a script ends its program itself (a key of the exit
 * accelerator, or a call that closes the window).
 *
 * An unattended host (a program started headless, with no script) keeps
 * the real time instead: its clock is the monotonic clock since it was made
 * and its waits last until their deadlines.
 */
#ifndef TONBROOK_PLATFORM_HEADLESS_H
#define TONBROOK_PLATFORM_HEADLESS_H

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "host/host.h"

namespace plat::host {

/* One scripted event: at a virtual time (ms after the start), a stylus tap
 * at a screen point, a key struck (with Ctrl held if asked), or a call of a
 * function on the UI thread. */
struct Step {
  enum class Kind { Tap, Key, Call };
  uint64_t at = 0;
  Kind kind = Kind::Call;
  int x = 0;
  int y = 0;
  int vk = 0;
  bool ctrl = false;
  std::function<void()> fn;

  static Step Tap(uint64_t at, int x, int y) { return Step{at, Kind::Tap, x, y, 0, false, {}}; }
  static Step Key(uint64_t at, int vk, bool ctrl = false) {
    return Step{at, Kind::Key, 0, 0, vk, ctrl, {}};
  }
  static Step Call(uint64_t at, std::function<void()> fn) {
    return Step{at, Kind::Call, 0, 0, 0, false, std::move(fn)};
  }
};
using Script = std::vector<Step>;

class Headless : public Backend {
 public:
  /* The clock starts at 0; the steps run in order of their times. An
   * unattended host has nobody to answer a message box (see Backend). */
  explicit Headless(Script script = {}, bool unattended = false);

  uint64_t Now() override;
  /* Moves the clock to the deadline or to the next step, whichever comes
   * first, and plays that step (one per wait, so that what it caused is
   * handled before the next; a step may run a modal loop of its own). With
   * no deadline and no step left it waits for a Wake() from another
   * thread. */
  void Wait(std::optional<uint64_t> deadline) override;
  void Wake() override;
  void Raise() override;
  bool Unattended() override { return m_unattended; }

  /* How often the desktop window was asked to come to the front. */
  int Raises();

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  std::deque<Step> m_steps;
  uint64_t m_clock = 0;
  bool m_woken = false;
  void WaitInRealTime(std::unique_lock<std::mutex> &hold, std::optional<uint64_t> deadline);

  int m_raises = 0;
  const bool m_unattended;
  const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

/* Injects a tap (button down and up) at a screen point, and a key press and
 * release with Ctrl around it if ctrl. */
void InjectTap(int x, int y);
void InjectKey(int vk, bool ctrl);

/* Runs body on this thread with a headless host playing script, and returns
 * its result; window DCs draw on the framebuffer of the graphics layer and
 * the system classes (the controls, dialogs, menu bar) are registered. The
 * host, GetTickCount's source and the paint hooks are restored afterwards. */
int Run(Script script, const std::function<int(Headless &)> &body);

/* Runs a program's WinMain as the runtime would start it, under a headless
 * host playing script; returns its exit code. */
using WinMainFn = int (*)(HINSTANCE, HINSTANCE, LPWSTR, int);
int RunWinMain(Script script, WinMainFn winMain, HINSTANCE hInstance, int nCmdShow = SW_SHOW);

/* Runs a program's WinMain under an unattended headless host, as a program
 * started with TONBROOK_HOST=headless runs; returns its exit code. */
int RunWinMainUnattended(WinMainFn winMain, HINSTANCE hInstance);

}  // namespace plat::host

#endif
