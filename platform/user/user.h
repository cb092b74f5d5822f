/*
 * user/user.h - the window manager's inside: classes, windows, the message
 * queue, and the hooks through which the other layers take part.
 *
 * One UI thread owns every window of the process and runs the message loop.
 * Any thread may post (PostMessageW) or send (SendMessageW waits for the UI
 * thread); everything else is called on the UI thread.
 */
#ifndef TONBROOK_PLATFORM_USER_H
#define TONBROOK_PLATFORM_USER_H

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/lock.h"

namespace plat::user {

/* The class of pop-up menus, as the system names it. */
inline constexpr WCHAR kMenuClassName[] = u"#32768";

struct Class {
  ATOM atom;
  std::u16string name;
  WNDCLASSW wc;
  bool system = false; /* a class every process has, see RegisterSystemClass */
};

/* A property of a window: a name, or an atom when the name is empty. */
struct Prop {
  ATOM atom = 0;
  std::u16string name;
  HANDLE data = nullptr;
};

struct Window {
  HWND hwnd;
  std::shared_ptr<Class> cls;
  WNDPROC proc;
  std::u16string text;
  DWORD style;
  DWORD exStyle;
  HWND parent;  /* the parent of a child window */
  HWND owner;   /* the owner of a top-level window */
  UINT_PTR id;  /* the child identifier (the menu argument) */
  HINSTANCE instance;
  LONG_PTR userData;
  RECT rect; /* in the parent's client coordinates; screen for top-level */
  std::vector<BYTE> extra;
  std::vector<HWND> children; /* in creation order, which is the hit order */
  std::vector<Prop> props;
  ThreadId thread;
  bool created = false; /* CreateWindowExW has finished with it */
  bool destroying = false;
  bool hasUpdate = false;
  bool erase = false;
  RECT update{};
};

/* The window behind hwnd, or nullptr when hwnd is no window (UI thread). */
Window *FromHandle(HWND hwnd);

/* All top-level windows, top of the z-order first. */
std::vector<HWND> TopLevelWindows();
/* The first top-level window of this process whose class and title are
 * these (NULL: any), or NULL. */
HWND FindOwnWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName);

/* Moves a top-level window to the top of the z-order. */
void BringToTop(HWND hwnd);

/* Copies the owning thread of hwnd (callable from any thread); false when
 * hwnd is no window. */
bool WindowThread(HWND hwnd, ThreadId *thread);

/* The top-level window that hwnd is or lies in; NULL for no window. */
HWND TopLevelOf(HWND hwnd);

/* Makes a top-level window the active one: WM_ACTIVATE to the window that
 * loses it and to hwnd, whose DefWindowProcW takes the focus. */
void ActivateWindow(HWND hwnd);

/* Window rectangle in screen coordinates and client area in its own. */
RECT ScreenRect(const Window &w);
RECT ClientArea(const Window &w);

/* Called by the window list when a window is created and before it goes. */
void OnWindowCreated(HWND hwnd);
void OnWindowDestroyed(HWND hwnd);
void OnWindowTextChanged(HWND hwnd);

/* Proxies of windows of other processes that FindWindowW returned. */
bool IsRemoteWindow(HWND hwnd);
bool RaiseRemoteWindow(HWND hwnd);

/* A window lost WS_VISIBLE: activation, focus and capture move off it. */
void OnWindowHidden(HWND hwnd);
/* A window was disabled: the focus and capture leave it and its children. */
void OnWindowDisabled(HWND hwnd);

/* Drops queued messages, timers and focus that belong to a window. */
void ForgetQueuedFor(HWND hwnd);
void ForgetTimersFor(HWND hwnd);
void ForgetFocusFor(HWND hwnd);

/* Earliest due time among timers, and the due timer message if any. */
bool NextTimerDue(uint64_t *when);
bool TakeDueTimer(HWND filter, UINT min, UINT max, bool remove, MSG *msg);
/* Whether proc is the procedure of a timer that SetTimer made and that has
 * not been killed; DispatchMessageW calls nothing else from a WM_TIMER. */
bool IsTimerProc(TIMERPROC proc);

/* A window that needs painting, for the WM_PAINT of the queue. A search of
 * every window that finds none is not repeated until a window may need
 * painting again: a change of update or style calls PaintMayBeDue. */
HWND FindWindowToPaint(HWND filter);
void PaintMayBeDue();

/* True when hwnd passes the message filter of GetMessageW (hwnd itself or
 * one of its descendants; NULL takes all). */
bool MatchesWindow(HWND filter, HWND hwnd);
bool MatchesRange(UINT message, UINT min, UINT max);

/* Raises the process: the desktop window, then hwnd's top-level window and
 * its owned windows, the topmost owned one that may be active (not
 * WS_EX_NOACTIVATE, as the menu bar) active. The request of a second
 * process ends here too. */
void RaiseOwnWindow(HWND hwnd);

/* Input from the host. The target window is chosen when the UI thread takes
 * the message: keys go to the focus (or the active window), a tap or a drag
 * of the stylus (ButtonMove) to the window under the point unless one has
 * the capture. */
enum class InputKind { KeyDown, KeyUp, ButtonDown, ButtonUp, ButtonMove };
void PostInput(InputKind kind, int vkOrX, int y);

/* Fills msg with the message an input becomes now: its window, message,
 * parameters and point. False when no window takes it. */
bool ResolveInput(InputKind kind, int a, int b, MSG *msg);

/* The key and button state the UI thread sees (GetKeyState) follows the input
 * it has taken; the state GetAsyncKeyState sees follows the host at once. */
void ApplyInputState(InputKind kind, int vk);
void NoteAsyncInput(InputKind kind, int vk);
void ForgetKeyState();

/* The character a WM_KEYDOWN of vk types under the present key state, or -1. */
int CharOfKey(int vk);

/* Drawing hooks the graphics layer installs: the device context of a paint,
 * the background erase of DefWindowProcW (true when it erased), and the
 * default brush DefWindowProcW gives for a WM_CTLCOLOR* message (with the
 * colours set on the device context). beginPaint gets the bounds of the
 * update being painted (client coordinates). Without them a paint has no
 * device context, nothing is erased and no brush is given. */
struct PaintHooks {
  std::function<HDC(HWND, const RECT &)> beginPaint;
  std::function<void(HWND, HDC)> endPaint;
  std::function<bool(HWND, HDC, HBRUSH)> eraseBackground;
  std::function<HBRUSH(UINT, HDC)> controlColor;
};
void SetPaintHooks(PaintHooks hooks);
PaintHooks &Hooks();

/* A posted message the owner's DefWindowProcW turns into RaiseOwnWindow:
 * how a second process's SetForegroundWindow reaches the UI thread. */
constexpr UINT WM_PLAT_RAISE = 0x0375;

/* Registers one of the classes every process has (the controls, dialogs,
 * the shell's windows): it stays through ResetForTest and cannot be
 * unregistered. Returns its atom, or 0 as RegisterClassW does. */
ATOM RegisterSystemClass(const WNDCLASSW &wc);

/* The parts of ResetForTest. */
void DestroyAllWindows();
void ForgetClasses(); /* all but the system classes */
void ForgetTimers();
void ForgetQueue();

/* Destroys every window and timer and empties the queue: a fresh start for a
 * test or for the headless host between runs. */
void ResetForTest();

}  // namespace plat::user

#endif
