/*
 * focus.cpp - the handheld's rule for controls made with WS_EX_NOACTIVATE
 * and for its up-down control: a tap works them but never takes the focus
 * from their parent, so the keyboard and its accelerators stay with the
 * application's window. The desktop's edit box and up-down control take
 * the focus when tapped; here a CBT hook on the screen's thread refuses it
 * to them, and SetFocus leaves the focus where it was and returns NULL, as
 * the handheld's does.
 */
#include "layer.h"

namespace handheld {
namespace {

HHOOK s_hook;

/* A child that never takes the focus: one made with WS_EX_NOACTIVATE, as
 * on the handheld, or an up-down control. */
bool RefusesFocus(HWND hwnd) {
  if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) return false;
  if (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) return true;
  WCHAR name[64];
  return GetClassNameW(hwnd, name, 64) && lstrcmpiW(name, UPDOWN_CLASSW) == 0;
}

/* The focus never reaches such a control: the control hears neither it
 * coming nor it going. */
LRESULT CALLBACK FocusHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_SETFOCUS && wParam && RefusesFocus((HWND)wParam)) return 1;
  return CallNextHookEx(s_hook, code, wParam, lParam);
}

}  // namespace

/* Once for the thread; without the hook (Windows refuses it) the controls
 * keep the desktop's ways. */
void InstallFocusRule() {
  if (!s_hook) s_hook = SetWindowsHookExW(WH_CBT, FocusHook, nullptr, GetCurrentThreadId());
}

}  // namespace handheld
