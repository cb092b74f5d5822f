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

constexpr UINT_PTR kRefuseFocusId = 0x4848;

/* The focus that reaches the control goes back to its parent at once; the
 * control sees neither it coming nor it going. */
LRESULT CALLBACK RefuseFocusProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  switch (msg) {
    case WM_SETFOCUS: {
      HWND parent = GetParent(hwnd);
      if (parent) SetFocus(parent);
      return 0;
    }
    case WM_KILLFOCUS:
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, RefuseFocusProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RefuseFocus(HWND hwnd) { SetWindowSubclass(hwnd, RefuseFocusProc, kRefuseFocusId, 0); }

}  // namespace handheld

/* The up-down control, like the application's other controls, leaves the
 * focus with its parent. */
HWND WINAPI HandheldCreateUpDownControl(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent, int nID,
                                        HINSTANCE hInst, HWND hBuddy, int nUpper, int nLower, int nPos) {
  HWND hwnd = ::CreateUpDownControl(dwStyle, x, y, cx, cy, hParent, nID, hInst, hBuddy, nUpper, nLower, nPos);
  if (hwnd) handheld::RefuseFocus(hwnd);
  return hwnd;
}
