/*
 * toolkit_test.cpp - the handheld and its toolkit as a program sees them,
 * through the public API only, so that the same file runs in the Linux
 * build (over the platform, headless) and under Wine (over the real API
 * and the Windows layer): the screen's coordinates, finding windows, the
 * focus rule of controls that take no activation, the button's taps, keys
 * and dialog codes, the menu bar's and the shell calls' answers to bad
 * records.
 *
 * Prints one line a check and exits with the number of failed checks.
 */
#include <windows.h>

#include <aygshell.h>
#include <stdio.h>

namespace {

int s_failures;
int s_clicks;             /* BN_CLICKED the parent heard */
HWND s_focusAtCommand;    /* the focus when the parent heard of a control */

void Check(bool ok, const char *what) {
  printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++s_failures;
}

bool SameRect(const RECT &rc, int left, int top, int right, int bottom) {
  return rc.left == left && rc.top == top && rc.right == right && rc.bottom == bottom;
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) s_focusAtCommand = GetFocus();
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++s_clicks;
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

/* Delivers what is queued, for a while. */
void Pump(int ms) {
  DWORD end = GetTickCount() + (DWORD)ms;
  MSG msg;
  while ((int)(end - GetTickCount()) > 0)
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

HWND MakeParent(HINSTANCE hInst) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ParentProc;
  wc.hInstance = hInst;
  wc.lpszClassName = TEXT("TOOLKITTEST");
  RegisterClassW(&wc);
  return CreateWindowExW(0, TEXT("TOOLKITTEST"), TEXT("Toolkit test"), WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInst, nullptr);
}

HWND Control(HWND parent, LPCWSTR cls, DWORD style, int y, int id) {
  return CreateWindowExW(WS_EX_NOACTIVATE, cls, TEXT("x"), WS_CHILD | WS_VISIBLE | style, 5, y, 80, 24, parent,
                         (HMENU)(UINT_PTR)id, (HINSTANCE)GetWindowLongPtrW(parent, GWLP_HINSTANCE), nullptr);
}
HWND Button(HWND parent, DWORD style, int y, int id) { return Control(parent, TEXT("BUTTON"), style, y, id); }

bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

/* A tap: stylus down and up in the middle of a button. */
void Tap(HWND button) {
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

/* The main window sits in the screen at the handheld's coordinates, and
 * FindWindow finds it there. */
void CheckCoordinates(HWND hwnd) {
  RECT rc;
  Check(GetWindowRect(hwnd, &rc) && SameRect(rc, 0, 26, 240, 320), "CW_USEDEFAULT is the screen below the bar");
  MoveWindow(hwnd, 0, 26, 240, 268, FALSE);
  Check(GetWindowRect(hwnd, &rc) && SameRect(rc, 0, 26, 240, 294), "MoveWindow takes the screen's coordinates");
  MoveWindow(hwnd, 0, 26, 240, 294, FALSE);
#ifdef _WIN32
  Check(GetClientRect(GetParent(hwnd), &rc) && SameRect(rc, 0, 0, 240, 320), "the desktop's frame is the 240 x 320 screen");
#endif
  Check(FindWindowW(TEXT("TOOLKITTEST"), TEXT("Toolkit test")) == hwnd, "FindWindow finds the window in the screen");
  Check(FindWindowW(TEXT("TOOLKITTEST"), TEXT("Other title")) == nullptr, "FindWindow finds no window of another title");
}

/* Taps work the controls and leave the focus with their parent. */
void CheckFocus(HWND parent) {
  HWND edit = Control(parent, TEXT("EDIT"), ES_READONLY, 160, 6);
  HWND push = Button(parent, BS_PUSHBUTTON, 190, 7);
  SetFocus(parent);
  s_focusAtCommand = nullptr;
  Tap(push);
  Check(s_focusAtCommand == parent, "a push button reports its tap with the focus still on the parent");
  Tap(edit);
  Pump(100);
  Check(GetFocus() == parent, "a tapped edit box leaves the focus with the parent");
  SetFocus(edit);
  Check(GetFocus() == parent, "an edit box made with WS_EX_NOACTIVATE never keeps the focus");
}

/* A tap checks an automatic radio button and unchecks the others of its
 * group, and only of its group. */
void CheckRadioGroups(HWND parent) {
  HWND first = Button(parent, BS_AUTORADIOBUTTON | WS_GROUP, 10, 1);
  HWND second = Button(parent, BS_AUTORADIOBUTTON, 40, 2);
  HWND other = Button(parent, BS_AUTORADIOBUTTON | WS_GROUP, 70, 3);
  Tap(other);
  Tap(first);
  Check(Checked(first) && Checked(other), "a tapped radio button is checked, another group's keeps its check");
  Tap(second);
  Check(Checked(second) && !Checked(first) && Checked(other), "the next one of the group takes the check over");
  SetWindowTextW(second, TEXT("STOP"));
  WCHAR text[8] = {0};
  GetWindowTextW(second, text, 8);
  Check(text[0] == 'S' && text[3] == 'P' && text[4] == 0, "a button keeps its new text");
}

/* Space pressed and let go on a push button clicks it; the focus going
 * away while Space is down lets it go without a click. */
void CheckSpace(HWND parent) {
  HWND push = Button(parent, BS_PUSHBUTTON, 100, 4);
  s_clicks = 0;
  SendMessageW(push, WM_KEYDOWN, VK_SPACE, 0);
  Check((SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0, "Space presses a push button");
  SendMessageW(push, WM_KEYUP, VK_SPACE, 0);
  Check(s_clicks == 1 && !(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED), "and letting it go clicks it");
  SendMessageW(push, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(push, WM_KILLFOCUS, 0, 0);
  SendMessageW(push, WM_KEYUP, VK_SPACE, 0);
  Check(s_clicks == 1, "losing the focus with Space held lets the button go without a click");
  SendMessageW(push, BM_SETCHECK, BST_CHECKED, 0);
  Check(!Checked(push), "a push button has no check");
  HGDIOBJ font = GetStockObject(SYSTEM_FONT);
  Check(!SendMessageW(push, WM_GETFONT, 0, 0), "a button starts without a font of its own");
  SendMessageW(push, WM_SETFONT, (WPARAM)font, FALSE);
  Check(SendMessageW(push, WM_GETFONT, 0, 0) == (LRESULT)font, "and keeps the one it is given");
}

/* BM_SETCHECK checks one button silently and leaves its group alone; a
 * posted one lands when the queue runs. */
void CheckSetCheck(HWND parent) {
  HWND radio = Button(parent, BS_AUTORADIOBUTTON | WS_GROUP, 220, 8);
  HWND other = Button(parent, BS_AUTORADIOBUTTON, 250, 9);
  s_clicks = 0;
  SendMessageW(radio, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(other, BM_SETCHECK, BST_CHECKED, 0);
  Check(Checked(radio) && (SendMessageW(radio, BM_GETSTATE, 0, 0) & BST_CHECKED) && s_clicks == 0,
        "BM_SETCHECK checks one button of a group and tells nobody");
  PostMessageW(radio, BM_SETCHECK, BST_UNCHECKED, 0);
  bool before = Checked(radio);
  Pump(10);
  Check(before && !Checked(radio), "a posted BM_SETCHECK lands when the queue runs");
}

/* What the dialog manager learns of each kind of button. */
void CheckDialogCodes(HWND parent) {
  struct Case {
    DWORD style;
    LRESULT code;
    const char *what;
  } cases[] = {
      {BS_PUSHBUTTON, DLGC_UNDEFPUSHBUTTON, "a push button is an undefault push button"},
      {BS_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON, "a default push button says so"},
      {BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON, "a radio button is a button and a radio button"},
  };
  for (const Case &c : cases) {
    HWND button = Button(parent, c.style, 130, 5);
    Check(SendMessageW(button, WM_GETDLGCODE, 0, 0) == c.code, c.what);
    DestroyWindow(button);
  }
}

/* Records and parents the shell refuses, as the handheld's shell does. */
void CheckShellCalls(HWND parent) {
  SHACTIVATEINFO sai{};
  Check(!SHHandleWMActivate(parent, WA_ACTIVE, 0, &sai, 0), "SHHandleWMActivate refuses a record without its size");
  sai.cbSize = sizeof sai;
  Check(SHHandleWMActivate(parent, WA_ACTIVE, 0, &sai, 0) && sai.fActive, "SHHandleWMActivate marks it active");
  Check(SHHandleWMActivate(parent, WA_INACTIVE, (LPARAM)parent, &sai, 0) && !sai.fActive && !sai.fSipOnDeactivation,
        "and inactive, the input panel down");
  RECT before, after;
  GetWindowRect(parent, &before);
  Check(SHHandleWMSettingChange(parent, SPI_SETSIPINFO, 0, &sai) && !sai.fSipUp && GetWindowRect(parent, &after) &&
            EqualRect(&before, &after),
        "the input panel stays down and the window keeps its size");
  Check(!SHHandleWMSettingChange(parent, SPI_SETSIPINFO, 0, nullptr), "SHHandleWMSettingChange refuses NULL");
  SHINITDLGINFO none{SHIDIM_FLAGS, nullptr, SHIDIF_DONEBUTTON};
  Check(!SHInitDialog(nullptr) && !SHInitDialog(&none), "SHInitDialog refuses NULL and a record without a dialog");

  SHMENUBARINFO mbi{};
  Check(!SHCreateMenuBar(nullptr), "SHCreateMenuBar refuses NULL");
  mbi.cbSize = 8;
  mbi.hwndParent = parent;
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  Check(!SHCreateMenuBar(&mbi), "SHCreateMenuBar refuses a record too small");
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = nullptr;
  Check(!SHCreateMenuBar(&mbi), "SHCreateMenuBar refuses a parent that is no window");
  mbi.hwndParent = parent;
  mbi.dwFlags = 0;
  mbi.nToolBarId = 4711;
  mbi.hInstRes = (HINSTANCE)GetWindowLongPtrW(parent, GWLP_HINSTANCE);
  Check(!SHCreateMenuBar(&mbi) && !mbi.hwndMB, "SHCreateMenuBar refuses a template that is not there");
  mbi.dwFlags = SHCMBF_EMPTYBAR;
  RECT rc;
  Check(SHCreateMenuBar(&mbi) && GetWindowRect(mbi.hwndMB, &rc) && SameRect(rc, 0, 294, 240, 320),
        "an empty menu bar lies at the bottom of the screen");
#ifdef _WIN32
  Check(GetParent(mbi.hwndMB) == GetParent(parent), "on the desktop, inside the frame that is the screen");
#endif
  DestroyWindow(mbi.hwndMB);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int) {
  HWND parent = MakeParent(hInstance);
  Check(parent != nullptr, "the parent window is made");
  if (!parent) return s_failures;
  Pump(200);
  CheckCoordinates(parent);
  CheckFocus(parent);
  CheckRadioGroups(parent);
  CheckSpace(parent);
  CheckSetCheck(parent);
  CheckDialogCodes(parent);
  CheckShellCalls(parent);
  DestroyWindow(parent);
  fflush(stdout);
  return s_failures;
}

#ifdef _WIN32
/* Under Wine the checks run as a console program; the Linux build's start-up
 * calls WinMain itself. */
int main() {
  InitCommonControls();
  return WinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), SW_SHOW);
}
#endif
