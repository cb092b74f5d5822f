/*
 * driver.cpp - drives a handheld program under Wine for the tests: starts
 * it, taps its screen, presses keys, takes screenshots of its screen and
 * reports its exit code and which window is in front.
 *
 * Usage: handheld-driver COMMAND... ; the commands run in order:
 *   start PROGRAM      start PROGRAM and wait until its screen is up
 *   run PROGRAM        start PROGRAM, wait until it ends, print "exit N"
 *   race PROGRAM MS    start PROGRAM twice, MS apart; once one of them ended
 *                      and the other's screen is up, print "race MS exit N
 *                      screens M" (N the first's exit code, "none" when
 *                      neither ended in 20 s, and then fails; M the screens
 *                      shown), then close it
 *   tap X Y            a stylus tap at (X, Y) of the handheld's screen
 *   key CTRL+C         Ctrl and the letter C
 *   sleep MS           wait
 *   shot FILE.bmp      the handheld's screen, 240 x 320, as a 24-bit BMP
 *   front CLASS        wait up to 10 s for a window of CLASS to be in front, then
 *                      print "front CLASS TITLE" of the window in front
 *   other              put a window of the driver's own in front
 *   wait MS            wait up to MS for the started program to end; print "exit N"
 *   minimize, close    minimise or close the started program's screen
 *   move X Y           move the started program's screen to (X, Y) of the desktop
 * Prints "error ..." and exits with 1 when a command fails.
 */
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 320;

PROCESS_INFORMATION g_program;
HWND g_screen;

/* Reports a failed command and ends the started program with it. */
[[noreturn]] void Fail(const char *what) {
  printf("error %s (%lu)\n", what, GetLastError());
  fflush(stdout);
  if (g_program.hProcess) TerminateProcess(g_program.hProcess, 1);
  exit(1);
}

/* Waits until the started program has handled its input. */
void Settle() {
  if (g_program.hProcess) WaitForInputIdle(g_program.hProcess, 5000);
}

BOOL Start(const char *program, PROCESS_INFORMATION *pi) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::vector<char> cmd(program, program + strlen(program) + 1);
  return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi);
}

/* The program's screen, once its main window is inside and visible. */
HWND FindScreen(DWORD pid) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"HandheldScreen", nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    HWND child = GetWindow(w, GW_CHILD);
    if (owner == pid && IsWindowVisible(w) && child) return w;
  }
  return nullptr;
}

void WaitForScreen() {
  for (int i = 0; i < 600 && !g_screen; ++i) {
    g_screen = FindScreen(g_program.dwProcessId);
    if (!g_screen) Sleep(50);
  }
  if (!g_screen) Fail("no screen");
  Sleep(300);
  Settle();
}

POINT ToDesktop(int x, int y) {
  POINT pt{x, y};
  ClientToScreen(g_screen, &pt);
  return pt;
}

void Mouse(DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

void Tap(int x, int y) {
  POINT pt = ToDesktop(x, y);
  SetCursorPos(pt.x, pt.y);
  Sleep(50);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  Sleep(50);
  Mouse(MOUSEEVENTF_LEFTUP);
  Sleep(200);
  Settle();
}

void KeyEvent(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
  Sleep(30);
}

void CtrlKey(const char *chord) {
  if (_strnicmp(chord, "ctrl+", 5) || !chord[5] || chord[6]) Fail("bad key");
  WORD vk = (WORD)toupper((unsigned char)chord[5]);
  KeyEvent(VK_CONTROL, false);
  KeyEvent(vk, false);
  KeyEvent(vk, true);
  KeyEvent(VK_CONTROL, true);
  Sleep(200);
  Settle();
}

void PutLE(std::vector<unsigned char> &b, size_t at, unsigned v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
}

/* Copies the screen's client area off the desktop into a BMP file, once
 * the program has drawn what it has to draw. */
void Shot(const char *path) {
  Settle();
  HDC desk = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(desk);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = kWidth;
  bi.bmiHeader.biHeight = kHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void *bits = nullptr;
  HBITMAP bmp = CreateDIBSection(desk, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) Fail("no bitmap");
  HGDIOBJ old = SelectObject(mem, bmp);
  POINT origin = ToDesktop(0, 0);
  BitBlt(mem, 0, 0, kWidth, kHeight, desk, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  size_t image = (size_t)kWidth * 3 * kHeight;
  std::vector<unsigned char> file(54 + image);
  file[0] = 'B';
  file[1] = 'M';
  PutLE(file, 2, (unsigned)file.size(), 4);
  PutLE(file, 10, 54, 4);
  memcpy(&file[14], &bi.bmiHeader, 40);
  memcpy(&file[54], bits, image);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, desk);
  FILE *f = fopen(path, "wb");
  if (!f || fwrite(file.data(), 1, file.size(), f) != file.size() || fclose(f)) Fail("cannot write the shot");
}

void Front(const char *expected) {
  WCHAR cls[128] = L"", title[128] = L"";
  for (int i = 0; i < 200; ++i) {
    HWND w = GetForegroundWindow();
    cls[0] = title[0] = 0;
    if (w) {
      GetClassNameW(w, cls, 128);
      GetWindowTextW(w, title, 128);
    }
    char name[128];
    WideCharToMultiByte(CP_UTF8, 0, cls, -1, name, sizeof name, nullptr, nullptr);
    if (!strcmp(name, expected)) break;
    Sleep(50);
  }
  printf("front %ls %ls\n", cls, title);
}


void Other() {
  HWND w = CreateWindowExW(0, L"STATIC", L"Other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 0, 200, 100, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!w) Fail("no window");
  SetForegroundWindow(w);
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(25);
  }
}

void WaitExit(DWORD ms) {
  if (WaitForSingleObject(g_program.hProcess, ms) != WAIT_OBJECT_0) {
    printf("exit none\n");
    return;
  }
  DWORD code = 0;
  GetExitCodeProcess(g_program.hProcess, &code);
  printf("exit %lu\n", code);
}

void Run(const char *program) {
  PROCESS_INFORMATION pi;
  if (!Start(program, &pi)) Fail("cannot start");
  DWORD code = 999;
  if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  printf("exit %lu\n", code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

/* The handheld screens shown on the desktop. */
int Screens() {
  int screens = 0;
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"HandheldScreen", nullptr));)
    screens += IsWindowVisible(w) ? 1 : 0;
  return screens;
}

void Race(const char *program, DWORD ms) {
  PROCESS_INFORMATION pi[2];
  if (!Start(program, &pi[0])) Fail("cannot start");
  Sleep(ms);
  if (!Start(program, &pi[1])) Fail("cannot start");
  HANDLE both[2] = {pi[0].hProcess, pi[1].hProcess};
  DWORD first = WaitForMultipleObjects(2, both, FALSE, 20000) - WAIT_OBJECT_0;
  if (first > 1) {
    printf("race %lu exit none screens %d\n", ms, Screens());
    TerminateProcess(both[0], 1);
    TerminateProcess(both[1], 1);
    Fail("neither start ended");
  }
  DWORD code = 999;
  GetExitCodeProcess(both[first], &code);
  g_program = pi[1 - first];
  g_screen = nullptr;
  WaitForScreen();
  printf("race %lu exit %lu screens %d\n", ms, code, Screens());
  PostMessageW(g_screen, WM_CLOSE, 0, 0);
  for (PROCESS_INFORMATION &p : pi) {
    if (WaitForSingleObject(p.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(p.hProcess, 1);
    CloseHandle(p.hProcess);
    CloseHandle(p.hThread);
  }
  g_program = PROCESS_INFORMATION{};
  g_screen = nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    const char *cmd = argv[i];
    auto arg = [&]() -> const char * {
      if (i + 1 >= argc) Fail("missing argument");
      return argv[++i];
    };
    if (!strcmp(cmd, "start")) {
      if (!Start(arg(), &g_program)) Fail("cannot start");
      WaitForScreen();
    } else if (!strcmp(cmd, "run")) {
      Run(arg());
    } else if (!strcmp(cmd, "race")) {
      const char *program = arg();
      Race(program, (DWORD)atoi(arg()));
    } else if (!strcmp(cmd, "tap")) {
      int x = atoi(arg());
      Tap(x, atoi(arg()));
    } else if (!strcmp(cmd, "key")) {
      CtrlKey(arg());
    } else if (!strcmp(cmd, "sleep")) {
      Sleep((DWORD)atoi(arg()));
    } else if (!strcmp(cmd, "shot")) {
      Shot(arg());
    } else if (!strcmp(cmd, "front")) {
      Front(arg());
    } else if (!strcmp(cmd, "other")) {
      Other();
    } else if (!strcmp(cmd, "minimize")) {
      ShowWindow(g_screen, SW_MINIMIZE);
    } else if (!strcmp(cmd, "move")) {
      int x = atoi(arg());
      SetWindowPos(g_screen, nullptr, x, atoi(arg()), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Settle();
    } else if (!strcmp(cmd, "close")) {
      PostMessageW(g_screen, WM_CLOSE, 0, 0);
    } else if (!strcmp(cmd, "wait")) {
      WaitExit((DWORD)atoi(arg()));
    } else {
      Fail("unknown command");
    }
    fflush(stdout);
  }
  return 0;
}
