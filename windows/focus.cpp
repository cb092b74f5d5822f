/*
 * focus.cpp - the handheld's rule for controls made with WS_EX_NOACTIVATE
 * and for its up-down control: a tap works them but never takes the focus
 * from their parent, so the keyboard and its accelerators stay with the
 * application's window. The desktop's edit box and up-down control take
 * the focus when tapped; here a CBT hook on the screen's thread refuses it
 * to them, and the focus stays with (or goes back to) their parent.
 */
#include "layer.h"

namespace handheld {
namespace {

HHOOK s_hook;

/* A child that never keeps the focus: an up-down control, or one made with
 * WS_EX_NOACTIVATE other than the toolkit's own (the button keeps its own
 * rule). */
bool RefusesFocus(HWND hwnd) {
  WCHAR name[64];
  if (!(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) || !GetClassNameW(hwnd, name, 64)) return false;
  if (lstrcmpiW(name, UPDOWN_CLASSW) == 0) return true;
  return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) && lstrcmpiW(name, kButtonClass) != 0 &&
         lstrcmpiW(name, HANDHELD_MENUBAR_CLASS) != 0;
}

/* The focus that would reach such a control goes to its parent instead;
 * the control hears neither it coming nor it going. */
LRESULT CALLBACK FocusHook(int code, WPARAM wParam, LPARAM lParam) {
  HWND gaining = (HWND)wParam;
  if (code == HCBT_SETFOCUS && gaining && RefusesFocus(gaining)) {
    HWND parent = GetParent(gaining);
    if (parent && GetFocus() != parent) SetFocus(parent);
    return 1;
  }
  return CallNextHookEx(s_hook, code, wParam, lParam);
}

}  // namespace

/* Once for the thread; without the hook (Windows refuses it) the controls
 * keep the desktop's ways. */
void InstallFocusRule() {
  if (!s_hook) s_hook = SetWindowsHookExW(WH_CBT, FocusHook, nullptr, GetCurrentThreadId());
}

}  // namespace handheld
