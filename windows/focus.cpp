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
  WNDPROC previous = (WNDPROC)GetPropW(hwnd, kPreviousProc);
  switch (msg) {
    case WM_SETFOCUS: {
      HWND parent = GetParent(hwnd);
      if (parent) SetFocus(parent);
      return 0;
    }
    case WM_KILLFOCUS:
      return 0;
    case WM_NCDESTROY:
      RemovePropW(hwnd, kPreviousProc);
      break;
    default:
      break;
  }
  return previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

/* Subclasses the control the classic way, which every version of Windows'
 * common controls accepts; a control that Windows will not let us subclass
 * keeps its own ways. */
void RefuseFocus(HWND hwnd) {
  if (GetPropW(hwnd, kPreviousProc)) return;
  LONG_PTR previous = GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
  if (!previous || !SetPropW(hwnd, kPreviousProc, (HANDLE)previous)) return;
  if (!SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)RefuseFocusProc)) RemovePropW(hwnd, kPreviousProc);
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
