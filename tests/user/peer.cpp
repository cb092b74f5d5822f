/*
 * A second process for the FindWindow tests, built as peer/user_test: it
 * bears the test's name, as a second start of a program does, so that the
 * two find each other through one runtime folder.
 *
 *   user_peer find CLASS TITLE  finds the window and asks it to come to the
 *                               front: exit 0 done, 1 not found, 2 refused
 *   user_peer host CLASS TITLE  shows such a window, writes "ready" and
 *                               exits 3 once it was asked to come forward,
 *                               leaving its entry behind as a crash would
 *   user_peer exit CLASS TITLE  shows such a window and returns from main
 *                               with the window still there: exit 0
 *   user_peer once CLASS TITLE  a program that runs once: raises the window
 *                               if there is one (exit 0, 2 refused), else
 *                               shows its own and exits 3 once it was asked
 *                               to come forward; 50 ms pass between the
 *                               two, as a program's start-up takes; killed
 *                               after ten seconds
 */
#include <windows.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/headless.h"

namespace {

std::u16string Wide(const char *s) { return std::u16string(s, s + strlen(s)); }

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return DefWindowProcW(hwnd, msg, w, l);
}

int Find(const std::u16string &cls, const std::u16string &title) {
  HWND hwnd = FindWindowW(cls.c_str(), title.c_str());
  if (!hwnd) return 1;
  return SetForegroundWindow((HWND)((ULONG_PTR)hwnd | 1)) ? 0 : 2;
}

HWND Show(const std::u16string &cls, const std::u16string &title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = cls.c_str();
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls.c_str(), title.c_str(), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

int Host(const std::u16string &cls, const std::u16string &title) {
  return plat::host::Run({}, [&](plat::host::Headless &host) {
    if (!Show(cls, title)) return 4;
    printf("ready\n");
    fflush(stdout);
    MSG msg;
    while (host.Raises() == 0 && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    _exit(3);
  });
}

int Once(const std::u16string &cls, const std::u16string &title) {
  alarm(10);
  return plat::host::Run({}, [&](plat::host::Headless &host) {
    if (HWND other = FindWindowW(cls.c_str(), title.c_str()))
      return SetForegroundWindow((HWND)((ULONG_PTR)other | 1)) ? 0 : 2;
    usleep(50000);  // the start-up work of a program before its window
    if (!Show(cls, title)) return 4;
    MSG msg;
    while (host.Raises() == 0 && GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    return 3;
  });
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) return 64;
  std::u16string cls = Wide(argv[2]), title = Wide(argv[3]);
  if (!strcmp(argv[1], "find")) return Find(cls, title);
  if (!strcmp(argv[1], "host")) return Host(cls, title);
  if (!strcmp(argv[1], "exit")) return Show(cls, title) ? 0 : 4;
  if (!strcmp(argv[1], "once")) return Once(cls, title);
  return 64;
}
