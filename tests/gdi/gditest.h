/* Windows to draw in and the screen to read, for the graphics tests. */
#ifndef TONBROOK_TESTS_GDITEST_H
#define TONBROOK_TESTS_GDITEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <ostream>

#include "gdi/gdi.h"
#include "user/user.h"

inline bool operator==(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT &r, std::ostream *os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace gditest {

/* What a window does on WM_PAINT (with the paint DC), by window. */
inline std::map<HWND, std::function<void(HWND, HDC)>> g_painters;

inline LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_PAINT) {
    auto it = g_painters.find(hwnd);
    if (it != g_painters.end()) {
      PAINTSTRUCT ps;
      HDC hdc = BeginPaint(hwnd, &ps);
      it->second(hwnd, hdc);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

inline const WCHAR kClass[] = u"GDITEST";

/* Fresh window manager and screen; the class erases with a white brush. */
class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::user::ResetForTest();
    plat::gdi::Install();
    plat::gdi::ResetScreen();
    g_painters.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
  }
  void TearDown() override {
    g_painters.clear();
    plat::user::ResetForTest();
  }

  /* A top-level window at the default place: (0, 26), 240 x 294. */
  static HWND Top(DWORD style = WS_VISIBLE, LPCWSTR title = u"Top") {
    return CreateWindowExW(0, kClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }
  static HWND Child(HWND parent, int x, int y, int cx, int cy, DWORD style = 0) {
    return CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                           nullptr, nullptr, nullptr);
  }

  /* Dispatches everything queued now. */
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  /* A screen pixel as a COLORREF. */
  static COLORREF At(int x, int y) {
    return plat::gdi::ColorOf(plat::gdi::Screen().pixels[(size_t)y * plat::gdi::kScreenWidth + x]);
  }
  /* Fills a screen rectangle directly, to see what a call leaves alone. */
  static void Paper(COLORREF c, RECT rc = {0, 0, 240, 320}) {
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x)
        plat::gdi::Screen().pixels[(size_t)y * plat::gdi::kScreenWidth + x] = plat::gdi::PixelOf(c);
  }
  /* The pixels in a screen rectangle that are not c. */
  static int CountNot(COLORREF c, RECT rc = {0, 0, 240, 320}) {
    int n = 0;
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x) n += At(x, y) != c;
    return n;
  }
  /* The bounds of the pixels that are not c (empty when there are none). */
  static RECT InkBounds(COLORREF c, RECT rc = {0, 0, 240, 320}) {
    RECT out{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x)
        if (At(x, y) != c) {
          out.left = std::min(out.left, x);
          out.top = std::min(out.top, y);
          out.right = std::max(out.right, x + 1);
          out.bottom = std::max(out.bottom, y + 1);
        }
    if (out.left == INT32_MAX) SetRectEmpty(&out);
    return out;
  }
};

}  // namespace gditest

#endif
