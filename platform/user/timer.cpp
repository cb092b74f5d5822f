/*
 * Message timers: each due timer becomes one WM_TIMER when the queue has
 * nothing else, on the host's clock.
 */
#include <algorithm>

#include "host/host.h"
#include "user/user.h"

namespace plat::user {
namespace {

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT period;
  uint64_t due;
  TIMERPROC proc;
};

std::vector<Timer> g_timers; /* UI thread */
UINT_PTR g_nextThreadTimer = 1;

}  // namespace

bool NextTimerDue(uint64_t *when) {
  if (g_timers.empty()) return false;
  *when = std::min_element(g_timers.begin(), g_timers.end(),
                           [](const Timer &a, const Timer &b) { return a.due < b.due; })
              ->due;
  return true;
}

/* The earliest due timer that passes the filter becomes msg; taking it
 * schedules its next period from the time it was due, or from now if the
 * loop fell more than a period behind. */
bool TakeDueTimer(HWND filter, UINT min, UINT max, bool remove, MSG *msg) {
  if (!MatchesRange(WM_TIMER, min, max)) return false;
  uint64_t now = host::Current()->Now();
  Timer *pick = nullptr;
  for (Timer &t : g_timers) {
    if (t.due <= now && MatchesWindow(filter, t.hwnd) &&
        (!pick || t.due < pick->due))
      pick = &t;
  }
  if (!pick) return false;
  *msg = MSG{pick->hwnd, WM_TIMER, pick->id, (LPARAM)pick->proc, (DWORD)now, {}};
  if (remove) {
    pick->due += pick->period;
    if (pick->due <= now) pick->due = now + pick->period;
  }
  return true;
}

bool IsTimerProc(TIMERPROC proc) {
  return proc && std::any_of(g_timers.begin(), g_timers.end(), [&](const Timer &t) { return t.proc == proc; });
}

void ForgetTimersFor(HWND hwnd) {
  std::erase_if(g_timers, [&](const Timer &t) { return t.hwnd == hwnd; });
}

void ForgetTimers() { g_timers.clear(); }

}  // namespace plat::user

using namespace plat::user;

/* Starts (or restarts) a timer of uElapse ms, at least USER_TIMER_MINIMUM.
 * With a window the identifier is nIDEvent; without one a new identifier is
 * made unless nIDEvent names a timer of the thread. Returns the identifier,
 * 0 for a window that does not exist. */
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  if (hWnd && !IsWindow(hWnd)) return 0;
  UINT period = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, 0x7FFFFFFF);
  uint64_t due = plat::host::Current()->Now() + period;
  auto it = std::find_if(g_timers.begin(), g_timers.end(),
                         [&](const Timer &t) { return t.hwnd == hWnd && t.id == nIDEvent; });
  if (it != g_timers.end()) {
    it->period = period;
    it->due = due;
    it->proc = lpTimerFunc;
    return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
  }
  UINT_PTR id = nIDEvent;
  if (!hWnd) id = g_nextThreadTimer++;
  g_timers.push_back(Timer{hWnd, id, period, due, lpTimerFunc});
  return hWnd ? (id ? id : 1) : id;
}

/* Stops a timer. FALSE when there was none. */
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  auto n = std::erase_if(g_timers,
                         [&](const Timer &t) { return t.hwnd == hWnd && t.id == uIDEvent; });
  return n ? TRUE : FALSE;
}
