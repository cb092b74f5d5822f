/*
 * wintest.h - what the platform's tests share: a window class that records
 * the messages it gets (and may answer or paint them as a test says), a
 * fresh window manager in a runtime directory of the test program's own,
 * windows and controls made the way the program makes them, the queue
 * pumped, the screen read back, and scripts run under the headless host.
 */
#ifndef TONBROOK_TESTS_WINTEST_H
#define TONBROOK_TESTS_WINTEST_H

#include <windows.h>
#include <aygshell.h>
#include <commctrl.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "gdi/gdi.h"
#include "host/headless.h"
#include "user/user.h"

inline bool operator==(const RECT &a, const RECT &b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT &r, std::ostream *os) {
  *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace wintest {

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
/* What a window does on WM_PAINT (with the paint DC), by window. */
inline std::map<HWND, std::function<void(HWND, HDC)>> g_painters;

inline LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  g_seen.push_back(Seen{hwnd, msg, w, l, GetTickCount()});
  LRESULT result = 0;
  if (g_handler && g_handler(hwnd, msg, w, l, &result)) return result;
  auto painter = msg == WM_PAINT ? g_painters.find(hwnd) : g_painters.end();
  if (painter != g_painters.end()) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    painter->second(hwnd, hdc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, w, l);
}

inline const WCHAR kClass[] = u"TESTWND";

/* A runtime directory of this test program, so that its windows are not
 * published where a real run of the program would see them. Removed at
 * exit. */
struct PrivateRuntimeDir {
  std::string m_path;
  PrivateRuntimeDir() {
    char dir[] = "/tmp/tonbrook-tests-XXXXXX";
    if (mkdtemp(dir)) m_path = dir;
  }
  ~PrivateRuntimeDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
};

/* Points XDG_RUNTIME_DIR at the program's own runtime directory; with
 * always, even when the environment names one. */
inline void UsePrivateRuntimeDir(bool always) {
  static PrivateRuntimeDir s_runtime;
  if (always || !getenv("XDG_RUNTIME_DIR")) setenv("XDG_RUNTIME_DIR", s_runtime.m_path.c_str(), 1);
}

/* A fresh start of the window manager, with the class registered (erasing
 * with background, none by default). */
inline void Begin(HBRUSH background = nullptr) {
  UsePrivateRuntimeDir(false);
  plat::user::ResetForTest();
  g_seen.clear();
  g_handler = nullptr;
  g_painters.clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.cbWndExtra = 8;
  wc.hbrBackground = background;
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
}

inline void End() {
  g_handler = nullptr;
  g_painters.clear();
  plat::user::ResetForTest();
}

/* A top-level window at the default place: (0, 26), 240 x 294. */
inline HWND Top(LPCWSTR title = u"Top", DWORD style = WS_VISIBLE) {
  return CreateWindowExW(0, kClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         nullptr, nullptr, nullptr, nullptr);
}

inline HWND Child(HWND parent, int id, int x = 0, int y = 0, int cx = 20, int cy = 20, DWORD style = 0) {
  return CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                         (HMENU)(INT_PTR)id, nullptr, nullptr);
}

/* A control as the program makes them, never taking the keyboard focus
 * unless exStyle says otherwise. */
inline HWND Make(HWND parent, LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int cx, int cy, int id,
                 DWORD exStyle = WS_EX_NOACTIVATE) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                         (HMENU)(INT_PTR)id, nullptr, nullptr);
}

/* The messages seen of one kind, in order. */
inline std::vector<Seen> Only(UINT message) {
  std::vector<Seen> out;
  for (const Seen &s : g_seen)
    if (s.message == message) out.push_back(s);
  return out;
}

/* What reached hwnd of one kind, as (wParam, lParam) pairs in order. */
inline std::vector<std::pair<WPARAM, LPARAM>> Got(HWND hwnd, UINT message) {
  std::vector<std::pair<WPARAM, LPARAM>> out;
  for (const Seen &s : g_seen)
    if (s.hwnd == hwnd && s.message == message) out.emplace_back(s.wParam, s.lParam);
  return out;
}
inline int Count(HWND hwnd, UINT message) { return (int)Got(hwnd, message).size(); }

/* Takes and dispatches everything queued now; returns the messages taken. */
inline std::vector<MSG> Pump() {
  std::vector<MSG> taken;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    taken.push_back(msg);
    if (msg.message == WM_QUIT) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return taken;
}

inline std::u16string Text(HWND hwnd) {
  WCHAR text[256] = {0};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

/* The middle of a window on the screen. */
inline POINT Middle(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

/* A screen pixel as a COLORREF. */
inline COLORREF At(int x, int y) {
  return plat::gdi::ColorOf(plat::gdi::Screen().pixels[(size_t)y * plat::gdi::kScreenWidth + x]);
}

/* The pixels in a screen rectangle that are c, or that are not. */
inline int CountOf(COLORREF c, RECT rc = {0, 0, 240, 320}) {
  int n = 0;
  for (LONG y = rc.top; y < rc.bottom; ++y)
    for (LONG x = rc.left; x < rc.right; ++x) n += At(x, y) == c;
  return n;
}
inline int CountNot(COLORREF c, RECT rc = {0, 0, 240, 320}) {
  return (int)((rc.right - rc.left) * (rc.bottom - rc.top)) - CountOf(c, rc);
}

/* Fills a screen rectangle directly, to see what a call leaves alone. */
inline void Paper(COLORREF c, RECT rc = {0, 0, 240, 320}) {
  for (LONG y = rc.top; y < rc.bottom; ++y)
    for (LONG x = rc.left; x < rc.right; ++x)
      plat::gdi::Screen().pixels[(size_t)y * plat::gdi::kScreenWidth + x] = plat::gdi::PixelOf(c);
}

/* The bounds of the pixels that are not c (empty when there are none). */
inline RECT InkBounds(COLORREF c, RECT rc = {0, 0, 240, 320}) {
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

/* The window manager alone, fresh for each test. */
class Windows : public ::testing::Test {
 protected:
  void SetUp() override { Begin(); }
  void TearDown() override { End(); }
};

/* A fresh screen too, the class erasing in white. */
class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    Begin((HBRUSH)GetStockObject(WHITE_BRUSH));
    plat::gdi::Install();
    plat::gdi::ResetScreen();
  }
  void TearDown() override { End(); }
};

/* And a visible top-level window with its device context to draw on,
 * released at the end. */
class Canvas : public Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    m_hwnd = Top();
    m_hdc = GetDC(m_hwnd);
  }
  void TearDown() override {
    ReleaseDC(m_hwnd, m_hdc);
    Screen::TearDown();
  }
  HWND m_hwnd = nullptr;
  HDC m_hdc = nullptr;
};

/* And the system's classes: the controls, dialogs and the toolkit's. */
class Controls : public Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    plat::controls::Install();
  }
};

}  // namespace wintest

#endif
