/*
 * focus.cpp - the handheld's rule for controls made with WS_EX_NOACTIVATE:
 * a tap works them but never takes the focus from their parent, so the
 * keyboard and its accelerators stay with the application's window. The
 * desktop's edit box and up-down control take the focus when tapped; here
 * it goes straight back, and the control never hears it came.
 */
#include "layer.h"

namespace handheld {
namespace {

const WCHAR kPreviousProc[] = L"Handheld.RefuseFocus";

/* The focus that reaches the control goes back to its parent at once; the
 * control sees neither it coming nor it going. Everything else goes to the
 * control's own procedure. */
LRESULT CALLBACK RefuseFocusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETFOCUS && GetParent(hwnd)) SetFocus(GetParent(hwnd));
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) return 0;
  return CallPrevious(kPreviousProc, hwnd, msg, wParam, lParam);
}

}  // namespace

/* The classic way is the one every version of Windows' common controls
 * accepts; a control that Windows will not let us subclass keeps its own
 * ways. */
void RefuseFocus(HWND hwnd) { Subclass(hwnd, kPreviousProc, RefuseFocusProc); }

BOOL Subclass(HWND hwnd, LPCWSTR prop, WNDPROC proc) {
  if (GetPropW(hwnd, prop)) return TRUE;
  LONG_PTR previous = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  if (!previous || !SetPropW(hwnd, prop, (HANDLE)previous)) return FALSE;
  if (SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)proc)) return TRUE;
  RemovePropW(hwnd, prop);
  return FALSE;
}

LRESULT CallPrevious(LPCWSTR prop, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = (WNDPROC)(msg == WM_NCDESTROY ? RemovePropW(hwnd, prop) : GetPropW(hwnd, prop));
  return previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace handheld

/* The up-down control, like the application's other controls, leaves the
 * focus with its parent. */
HWND WINAPI HandheldCreateUpDownControl(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent, int nID,
                                        HINSTANCE hInst, HWND hBuddy, int nUpper, int nLower, int nPos) {
  HWND hwnd = ::CreateUpDownControl(dwStyle, x, y, cx, cy, hParent, nID, hInst, hBuddy, nUpper, nLower, nPos);
  if (hwnd) handheld::RefuseFocus(hwnd);
  return hwnd;
}
