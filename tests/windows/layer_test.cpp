/*
 * layer_test.cpp - the handheld layer's calls as a program sees them, run
 * under Wine: the screen's coordinates, finding and raising windows, the
 * shell calls' answers to bad records, the handheld's buttons and the
 * focus rule of controls that take no activation.
 *
 * Prints one line a check and exits with the number of failed checks.
 */
#include <redirect.h>

#include <cstdio>
#include <cstring>

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

/* Bad records are refused as the shell refuses them. */
void CheckShellCalls(HWND hwnd) {
  SHACTIVATEINFO sai{};
  Check(!SHHandleWMActivate(hwnd, WA_ACTIVE, 0, &sai, 0), "SHHandleWMActivate refuses a record without its size");
  sai.cbSize = sizeof sai;
  Check(SHHandleWMActivate(hwnd, WA_ACTIVE, 0, &sai, 0) && sai.fActive, "SHHandleWMActivate marks it active");
  Check(SHHandleWMActivate(hwnd, WA_INACTIVE, 0, &sai, 0) && !sai.fActive, "and inactive");
  Check(SHHandleWMSettingChange(hwnd, SPI_SETSIPINFO, 0, &sai) && !sai.fSipUp, "the input panel stays down");
  Check(!SHInitDialog(nullptr), "SHInitDialog refuses NULL");
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = hwnd;
  mbi.nToolBarId = 4711;
  mbi.hInstRes = GetModuleHandleW(nullptr);
  Check(!SHCreateMenuBar(&mbi) && !mbi.hwndMB, "SHCreateMenuBar refuses a template that is not there");
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  RECT rc;
  Check(SHCreateMenuBar(&mbi) && GetWindowRect(mbi.hwndMB, &rc) && SameRect(rc, 0, 294, 240, 320),
        "an empty menu bar lies at the bottom of the screen");
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
  HWND first = Child(hwnd, L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 10, 1);
  HWND second = Child(hwnd, L"BUTTON", BS_AUTORADIOBUTTON, 40, 2);
  HWND edit = Child(hwnd, L"EDIT", ES_READONLY, 70, 3);
  HWND push = Child(hwnd, L"BUTTON", BS_PUSHBUTTON, 100, 4);
  SetFocus(hwnd);
  Tap(first);
  Check(SendMessageW(first, BM_GETCHECK, 0, 0) == BST_CHECKED, "a tapped radio button is checked");
  Tap(second);
  Check(SendMessageW(second, BM_GETCHECK, 0, 0) == BST_CHECKED &&
            SendMessageW(first, BM_GETCHECK, 0, 0) == BST_UNCHECKED,
        "the next one of the group takes the check over");
  g_focusAtCommand = nullptr;
  Tap(push);
  Check(g_focusAtCommand == hwnd, "a push button reports its tap with the focus still on the parent");
  Tap(edit);
  Pump(100);
  Check(GetFocus() == hwnd, "a tapped edit box leaves the focus with the parent");
  SetFocus(edit);
  Check(GetFocus() == hwnd, "an edit box made with WS_EX_NOACTIVATE never keeps the focus");
  SetWindowTextW(push, L"STOP");
  WCHAR text[8];
  GetWindowTextW(push, text, 8);
  Check(wcscmp(text, L"STOP") == 0, "a button keeps its new text");
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
  CheckShellCalls(hwnd);
  CheckControls(hwnd);
  DestroyWindow(hwnd);
  fflush(stdout);
  return g_failures;
}
