/* A parent window that records what its controls tell it, on a fresh
 * window manager, screen and system classes. */
#ifndef TONBROOK_TESTS_CTLTEST_H
#define TONBROOK_TESTS_CTLTEST_H

#include <windows.h>
#include <aygshell.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "gdi/gdi.h"
#include "host/headless.h"
#include "user/user.h"

namespace ctltest {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
};

inline std::vector<Seen> g_seen;
/* Runs before the default handling; returning true ends it with the result. */
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> g_handler;

inline LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  g_seen.push_back(Seen{hwnd, msg, w, l, GetTickCount()});
  LRESULT result = 0;
  if (g_handler && g_handler(hwnd, msg, w, l, &result)) return result;
  return DefWindowProcW(hwnd, msg, w, l);
}

inline const WCHAR kClass[] = u"CTLTEST";

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::user::ResetForTest();
    plat::gdi::Install();
    plat::gdi::ResetScreen();
    plat::controls::Install();
    g_seen.clear();
    g_handler = nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
  }
  void TearDown() override {
    g_handler = nullptr;
    plat::user::ResetForTest();
  }

  /* A top-level window at the default place: (0, 26), 240 x 294. */
  static HWND Top(LPCWSTR title = u"Top") {
    return CreateWindowExW(0, kClass, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }
  /* A control as the program makes them, never taking the keyboard focus
   * unless exStyle says otherwise. */
  static HWND Make(HWND parent, LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int cx,
                   int cy, int id, DWORD exStyle = WS_EX_NOACTIVATE) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                           (HMENU)(INT_PTR)id, nullptr, nullptr);
  }

  /* Dispatches everything queued now. */
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  /* What reached hwnd of one kind, as (wParam, lParam) pairs in order. */
  static std::vector<std::pair<WPARAM, LPARAM>> Got(HWND hwnd, UINT message) {
    std::vector<std::pair<WPARAM, LPARAM>> out;
    for (const Seen &s : g_seen) {
      if (s.hwnd == hwnd && s.message == message) out.emplace_back(s.wParam, s.lParam);
    }
    return out;
  }
  static int Count(HWND hwnd, UINT message) { return (int)Got(hwnd, message).size(); }

  /* The middle of a window on the screen. */
  static POINT Middle(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }
  static COLORREF At(int x, int y) {
    return plat::gdi::ColorOf(plat::gdi::Screen().pixels[(size_t)y * plat::gdi::kScreenWidth + x]);
  }
  static int CountOf(COLORREF c, RECT rc) {
    int n = 0;
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x) n += At(x, y) == c;
    return n;
  }
  static std::u16string Text(HWND hwnd) { return plat::controls::TextOf(hwnd); }
};

/* The stylus pressed at a screen point at one time and lifted at another. */
inline std::vector<plat::host::Step> Hold(uint64_t down, uint64_t up, int x, int y) {
  using plat::host::Step;
  using plat::user::InputKind;
  return {Step::Call(down, [=] { plat::user::PostInput(InputKind::ButtonDown, x, y); }),
          Step::Call(up, [=] { plat::user::PostInput(InputKind::ButtonUp, x, y); })};
}

/* Runs the message loop under a headless host playing script until a step
 * posts quit. */
inline int RunLoop(std::vector<plat::host::Step> script, const std::function<void()> &setup = {}) {
  return plat::host::Run(std::move(script), [&](plat::host::Headless &) {
    if (setup) setup();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
  });
}

}  // namespace ctltest

#endif
