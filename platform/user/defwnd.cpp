/*
 * DefWindowProcW: what a window does with the messages its procedure leaves.
 */
#include <algorithm>

#include "user/user.h"

namespace plat::user {
namespace {

LRESULT SetText(HWND hwnd, LPCWSTR text) {
  Window *w = FromHandle(hwnd);
  w->text = text ? std::u16string(text) : std::u16string();
  OnWindowTextChanged(hwnd);
  return TRUE;
}

/* Copies at most max - 1 characters and a terminator; returns the count. */
LRESULT GetText(HWND hwnd, WPARAM max, LPWSTR buffer) {
  Window *w = FromHandle(hwnd);
  if (!buffer || max == 0) return 0;
  size_t n = std::min(w->text.size(), (size_t)max - 1);
  std::copy_n(w->text.begin(), n, buffer);
  buffer[n] = 0;
  return (LRESULT)n;
}

LRESULT Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);
  return 0;
}

/* Fills the client area with the class brush through the graphics layer;
 * 1 when it was erased. */
LRESULT EraseBackground(HWND hwnd, HDC hdc) {
  Window *w = FromHandle(hwnd);
  HBRUSH brush = w->cls->wc.hbrBackground;
  if (!brush || !hdc || !Hooks().eraseBackground) return 0;
  return Hooks().eraseBackground(hwnd, hdc, brush) ? 1 : 0;
}

}  // namespace
}  // namespace plat::user

using namespace plat::user;

/* The default handling: WM_CLOSE destroys the window, WM_NCCREATE stores its
 * title, the text messages keep the window text, WM_PAINT validates,
 * WM_ERASEBKGND fills with the class brush, an activation takes the focus.
 * Every other message gives 0. */
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!FromHandle(hWnd)) return 0;
  switch (Msg) {
    case WM_NCCREATE: {
      auto *cs = (const CREATESTRUCTW *)lParam;
      if (cs && cs->lpszName) FromHandle(hWnd)->text = cs->lpszName;
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SETTEXT:
      return SetText(hWnd, (LPCWSTR)lParam);
    case WM_GETTEXT:
      return GetText(hWnd, wParam, (LPWSTR)lParam);
    case WM_GETTEXTLENGTH:
      return (LRESULT)FromHandle(hWnd)->text.size();
    case WM_PAINT:
      return Paint(hWnd);
    case WM_ERASEBKGND:
      return EraseBackground(hWnd, (HDC)wParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hWnd);
      return 0;
    case WM_PLAT_RAISE:
      RaiseOwnWindow(hWnd);
      return 0;
    default:
      return 0;
  }
}
