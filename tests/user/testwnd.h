/* A window class that records the messages it gets, for the tests. */
#ifndef TONBROOK_TESTS_TESTWND_H
#define TONBROOK_TESTS_TESTWND_H

#include <windows.h>

#include <functional>
#include <vector>

#include "user/user.h"

namespace testwnd {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<Seen> g_seen;
/* Runs before the default handling; returning true ends it with g_result. */
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> g_handler;

inline LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  g_seen.push_back(Seen{hwnd, msg, w, l});
  LRESULT result = 0;
  if (g_handler && g_handler(hwnd, msg, w, l, &result)) return result;
  return DefWindowProcW(hwnd, msg, w, l);
}

inline const WCHAR kClass[] = u"TESTWND";

/* Registers the class after a fresh start of the window manager. */
inline void Begin() {
  plat::user::ResetForTest();
  g_seen.clear();
  g_handler = nullptr;
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.cbWndExtra = 8;
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
}

inline void End() {
  g_handler = nullptr;
  plat::user::ResetForTest();
}

inline HWND Top(LPCWSTR title = u"Top", DWORD style = WS_VISIBLE) {
  return CreateWindowExW(0, kClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

inline HWND Child(HWND parent, int id, int x = 0, int y = 0, int cx = 20, int cy = 20) {
  return CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE, x, y, cx, cy, parent,
                         (HMENU)(INT_PTR)id, nullptr, nullptr);
}

/* The messages seen of one kind, in order. */
inline std::vector<Seen> Only(UINT message) {
  std::vector<Seen> out;
  for (const Seen &s : g_seen) {
    if (s.message == message) out.push_back(s);
  }
  return out;
}

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

}  // namespace testwnd

#endif
