/*
 * layer_test.cpp - the handheld layer's calls as a program sees them, run
 * under Wine: the screen's coordinates, finding windows, the menu bar's
 * place in the screen and the focus rule of controls that take no
 * activation. The toolkit's own checks are tests/handheld's.
 *
 * Prints one line a check and exits with the number of failed checks.
 */
#include <redirect.h>

#include <cstdio>

namespace {

int g_failures;

void Check(bool ok, const char *what) {
  printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++g_failures;
}

bool SameRect(const RECT &rc, int left, int top, int right, int bottom) {
  return rc.left == left && rc.top == top && rc.right == right && rc.bottom == bottom;
}

HWND g_focusAtCommand;

LRESULT CALLBACK TestWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) g_focusAtCommand = GetFocus();
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

/* Delivers what is queued, for a while. */
void Pump(int ms) {
  DWORD end = GetTickCount() + (DWORD)ms;
  MSG msg;
  while ((int)(end - GetTickCount()) > 0) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
}

HWND MakeMain(HINSTANCE hInst) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TestWndProc;
  wc.hInstance = hInst;
  wc.lpszClassName = L"LAYERTEST";
  RegisterClassW(&wc);
  return CreateWindowExW(0, L"LAYERTEST", L"Layer test", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, nullptr, nullptr, hInst, nullptr);
}

/* The main window sits in the screen at the handheld's coordinates. */
void CheckCoordinates(HWND hwnd) {
  RECT rc;
  Check(GetWindowRect(hwnd, &rc) && SameRect(rc, 0, 26, 240, 320), "CW_USEDEFAULT is the screen below the bar");
  MoveWindow(hwnd, 0, 26, 240, 268, FALSE);
  Check(GetWindowRect(hwnd, &rc) && SameRect(rc, 0, 26, 240, 294), "MoveWindow takes the screen's coordinates");
  HWND frame = GetParent(hwnd);
  RECT client;
  GetClientRect(frame, &client);
  Check(SameRect(client, 0, 0, 240, 320), "the screen is 240 x 320");
  Check(FindWindowW(L"LAYERTEST", L"Layer test") == hwnd, "FindWindow finds the window inside the screen");
  Check(FindWindowW(L"LAYERTEST", L"Other title") == nullptr, "FindWindow finds no window of another title");
}

/* The toolkit's menu bar lies at the bottom of the screen; a pop-up of a
 * window inside the screen is one of the screen's windows. */
void CheckMenuBar(HWND hwnd) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = hwnd;
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  RECT rc;
  Check(SHCreateMenuBar(&mbi) && GetWindowRect(mbi.hwndMB, &rc) && SameRect(rc, 0, 294, 240, 320) &&
            GetParent(mbi.hwndMB) == GetParent(hwnd),
        "an empty menu bar lies at the bottom of the screen, inside it");
  DestroyWindow(mbi.hwndMB);
}

HWND Child(HWND parent, LPCWSTR cls, DWORD style, int y, int id) {
  return CreateWindowExW(WS_EX_NOACTIVATE, cls, L"x", WS_CHILD | WS_VISIBLE | style, 5, y, 80, 24, parent,
                         (HMENU)(UINT_PTR)id, GetModuleHandleW(nullptr), nullptr);
}

/* A tap: stylus down and up in the middle of a control. */
void Tap(HWND control) {
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

/* Taps work the controls and leave the focus with their parent. */
void CheckControls(HWND hwnd) {
  HWND edit = Child(hwnd, L"EDIT", ES_READONLY, 70, 3);
  HWND push = Child(hwnd, L"BUTTON", BS_PUSHBUTTON, 100, 4);
  SetFocus(hwnd);
  g_focusAtCommand = nullptr;
  Tap(push);
  Check(g_focusAtCommand == hwnd, "a push button reports its tap with the focus still on the parent");
  Tap(edit);
  Pump(100);
  Check(GetFocus() == hwnd, "a tapped edit box leaves the focus with the parent");
  SetFocus(edit);
  Check(GetFocus() == hwnd, "an edit box made with WS_EX_NOACTIVATE never keeps the focus");
}

}  // namespace

int main() {
  HINSTANCE hInst = GetModuleHandleW(nullptr);
  InitCommonControls();
  HWND hwnd = MakeMain(hInst);
  Check(hwnd != nullptr, "the main window is made");
  if (!hwnd) return g_failures;
  Pump(200);
  CheckCoordinates(hwnd);
  CheckMenuBar(hwnd);
  CheckControls(hwnd);
  DestroyWindow(hwnd);
  fflush(stdout);
  return g_failures;
}
