/*
 * The message queue of the UI thread: messages sent from other threads,
 * posted messages, host input, the quit request, then the synthesised
 * WM_PAINT and WM_TIMER, taken in that order.
 */
#include <deque>

#include "host/host.h"
#include "user/user.h"

namespace plat::user {
namespace {

/* A message sent from another thread; the sender waits until done. */
struct Sent {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
};

struct Input {
  InputKind kind;
  int a;
  int b;
  DWORD time;
};

Mutex g_lock;
Condition g_sentDone;
std::deque<MSG> g_posted;
std::deque<Input> g_input;
std::deque<Sent *> g_sent;
bool g_quit = false;
int g_quitCode = 0;

/* Runs the handlers of messages other threads sent. */
void ProcessSent() {
  for (;;) {
    Sent *sent;
    {
      Guard hold(g_lock);
      if (g_sent.empty()) return;
      sent = g_sent.front();
      g_sent.pop_front();
    }
    Window *w = FromHandle(sent->hwnd);
    LRESULT result = w ? CallWindowProcW(w->proc, sent->hwnd, sent->message, sent->wParam,
                                         sent->lParam)
                       : 0;
    {
      Guard hold(g_lock);
      sent->result = result;
      sent->done = true;
    }
    g_sentDone.notify_all();
  }
}

bool TakePosted(MSG *msg, HWND filter, UINT min, UINT max, bool remove) {
  Guard hold(g_lock);
  for (auto it = g_posted.begin(); it != g_posted.end(); ++it) {
    if (MatchesRange(it->message, min, max) && MatchesWindow(filter, it->hwnd)) {
      *msg = *it;
      if (remove) g_posted.erase(it);
      return true;
    }
  }
  return false;
}

/* Turns the oldest host input into a message for the window it is meant for
 * now. Input that reaches no window is dropped. */
bool TakeInput(MSG *msg, HWND filter, UINT min, UINT max, bool remove) {
  for (;;) {
    Input in;
    {
      Guard hold(g_lock);
      if (g_input.empty()) return false;
      in = g_input.front();
    }
    MSG m{};
    m.time = in.time;
    bool resolved = ResolveInput(in.kind, in.a, in.b, &m);
    if (resolved) {
      if (!MatchesRange(m.message, min, max) || !MatchesWindow(filter, m.hwnd)) return false;
      *msg = m;
      if (!remove) return true;
    }
    {
      Guard hold(g_lock);
      g_input.pop_front();
    }
    if (resolved) {
      ApplyInputState(in.kind, in.a);
      return true;
    }
  }
}

bool TakeQuit(MSG *msg, UINT min, UINT max, bool remove) {
  Guard hold(g_lock);
  if (!g_quit || !MatchesRange(WM_QUIT, min, max)) return false;
  *msg = MSG{nullptr, WM_QUIT, (WPARAM)(LONG_PTR)g_quitCode, 0, (DWORD)host::Current()->Now(), {}};
  if (remove) g_quit = false;
  return true;
}

/* One look at everything queued, in order; false when nothing matches. */
bool Take(MSG *msg, HWND filter, UINT min, UINT max, bool remove) {
  ProcessSent();
  if (TakePosted(msg, filter, min, max, remove)) return true;
  if (TakeInput(msg, filter, min, max, remove)) return true;
  if (TakeQuit(msg, min, max, remove)) return true;
  if (MatchesRange(WM_PAINT, min, max)) {
    if (HWND hwnd = FindWindowToPaint(filter)) {
      *msg = MSG{hwnd, WM_PAINT, 0, 0, (DWORD)host::Current()->Now(), {}};
      return true;
    }
  }
  return TakeDueTimer(filter, min, max, remove, msg);
}

bool PendingSent() {
  Guard hold(g_lock);
  return !g_sent.empty();
}

}  // namespace

bool MatchesRange(UINT message, UINT min, UINT max) {
  return (min == 0 && max == 0) || (message >= min && message <= max);
}

void PostInput(InputKind kind, int a, int b) {
  NoteAsyncInput(kind, a);
  {
    Guard hold(g_lock);
    g_input.push_back(Input{kind, a, b, (DWORD)host::Current()->Now()});
  }
  host::Current()->Wake();
}

void ForgetQueuedFor(HWND hwnd) {
  Guard hold(g_lock);
  std::erase_if(g_posted, [&](const MSG &m) { return m.hwnd == hwnd; });
}

void ForgetQueue() {
  Guard hold(g_lock);
  g_posted.clear();
  g_input.clear();
  g_quit = false;
  g_quitCode = 0;
}

}  // namespace plat::user

using namespace plat::user;

#if !TONBROOK_NO_THREADS
/* Hands a message to the UI thread's queue and waits until it has run it. */
static LRESULT SendAcross(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Sent sent{hWnd, Msg, wParam, lParam};
  plat::Hold hold(g_lock);
  g_sent.push_back(&sent);
  hold.unlock();
  plat::host::Current()->Wake();
  hold.lock();
  g_sentDone.wait(hold, [&] { return sent.done; });
  return sent.result;
}
#endif

/* Runs the window's handler and returns its result; from another thread the
 * call waits until the UI thread has run it. 0 for no window. */
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  plat::ThreadId owner;
  if (!WindowThread(hWnd, &owner)) return 0;
#if !TONBROOK_NO_THREADS
  if (owner != plat::ThisThread()) return SendAcross(hWnd, Msg, wParam, lParam);
#endif
  return CallWindowProcW(FromHandle(hWnd)->proc, hWnd, Msg, wParam, lParam);
}

/* Queues a message for the window (NULL: for the UI thread itself) and
 * returns at once; callable from any thread. FALSE for no window. */
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd && !IsWindow(hWnd)) return FALSE;
  MSG msg{hWnd, Msg, wParam, lParam, (DWORD)plat::host::Current()->Now(), {}};
  {
    plat::Guard hold(g_lock);
    g_posted.push_back(msg);
  }
  plat::host::Current()->Wake();
  return TRUE;
}

/* Waits for the next message of hWnd (or of every window) in the range and
 * removes it. Returns 0 for WM_QUIT, -1 for a filter window that does not
 * exist, otherwise nonzero. */
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  if (!lpMsg || (hWnd && !FromHandle(hWnd))) return -1;
  std::shared_ptr<plat::host::Backend> host = plat::host::Current();
  while (!Take(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
    uint64_t due;
    if (PendingSent()) continue;
    if (NextTimerDue(&due))
      host->Wait(due);
    else
      host->Wait(std::nullopt);
  }
  return lpMsg->message == WM_QUIT ? 0 : 1;
}

/* Looks for a message without waiting; PM_REMOVE takes it off the queue.
 * Returns FALSE when there is none. */
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                  UINT wRemoveMsg) {
  if (!lpMsg) return FALSE;
  std::shared_ptr<plat::host::Backend> host = plat::host::Current();
  host->Wait(host->Now());
  return Take(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE
                                                                                       : FALSE;
}

/* Posts WM_CHAR for a WM_KEYDOWN of a key that types a character. Returns
 * TRUE for a key message. */
BOOL TranslateMessage(const MSG *lpMsg) {
  if (!lpMsg) return FALSE;
  if (lpMsg->message == WM_KEYUP || lpMsg->message == WM_SYSKEYUP) return TRUE;
  if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN) return FALSE;
  int ch = CharOfKey((int)lpMsg->wParam);
  if (ch >= 0) {
    PostMessageW(lpMsg->hwnd, lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, (WPARAM)ch,
                 lpMsg->lParam);
  }
  return TRUE;
}

/* Hands a message to its window's procedure (or a WM_TIMER to its timer
 * procedure) and returns the result; 0 for no window. A WM_TIMER whose
 * lParam is not the procedure of a live timer is dropped (0): a forged or
 * stale message never becomes a call. A WM_PAINT that the procedure did not
 * validate is validated, so it does not come back forever. */
LRESULT DispatchMessageW(const MSG *lpMsg) {
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    TIMERPROC proc = (TIMERPROC)lpMsg->lParam;
    if (IsTimerProc(proc)) proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
    return 0;
  }
  Window *w = FromHandle(lpMsg->hwnd);
  if (!w) return 0;
  LRESULT result = CallWindowProcW(w->proc, lpMsg->hwnd, lpMsg->message, lpMsg->wParam,
                                   lpMsg->lParam);
  if (lpMsg->message == WM_PAINT) ValidateRect(lpMsg->hwnd, nullptr);
  return result;
}

/* Asks the loop to end: GetMessageW returns 0 with nExitCode in wParam once
 * the posted messages and input before it are taken. */
void PostQuitMessage(int nExitCode) {
  {
    plat::Guard hold(g_lock);
    g_quit = true;
    g_quitCode = nExitCode;
  }
  plat::host::Current()->Wake();
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                        LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
