/*
 * frame.cpp - the handheld's screen as one desktop window (the frame): its
 * client area is the 240 x 320 screen, the navigation bar at its top shows
 * the title of the window in front. The application's top-level windows
 * become windows inside it; closing the frame closes the application's
 * main window and minimising it tells that window it was minimised, as the
 * handheld's shell does.
 *
 * One instance, also when two start at once: FindWindow with a class and a
 * title takes a mutex named after them in the session's Local\ namespace
 * and holds it until the application's window exists, so that a second
 * start looks only once the first has its window, finds it and raises it.
 * A start that ends before its window gives the mutex up with its end.
 */
#include <cstdio>
#include <vector>

#include "layer.h"

namespace handheld {

const WCHAR kFrameClass[] = L"HandheldScreen";

namespace {

constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr UINT kDestroyFrame = WM_APP + 1;
constexpr DWORD kClaimWaitMs = 10000; /* a start that takes longer is stuck: go on without it */

HWND s_frame;   /* the screen */
HWND s_main;    /* the application's first top-level window */
HWND s_dialog;  /* the full-screen dialog in front, if any */
POINT s_origin; /* the screen's (0, 0) on the desktop at the last move */
HANDLE s_claim; /* the class and title claimed for the window to come */

/* Takes the mutex of a class and title (see the top of this file), waiting
 * while another start holds it; without it (it cannot be made, or the
 * other start is stuck) the caller goes on unclaimed. */
void Claim(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (s_claim) return;
  unsigned long long hash = 14695981039346656037ull;
  for (LPCWSTR text : {lpClassName, lpWindowName}) {
    for (LPCWSTR c = text;; ++c) {
      hash = (hash ^ (unsigned)*c) * 1099511628211ull;
      if (!*c) break;
    }
  }
  WCHAR name[64];
  swprintf(name, 64, L"Local\\HandheldWindow-%016llx", hash);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (!mutex) return;
  DWORD got = WaitForSingleObject(mutex, kClaimWaitMs);
  if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED)
    s_claim = mutex;
  else
    CloseHandle(mutex);
}

/* Gives the claim up: the window is there, or another start's was found. */
void ReleaseClaim() {
  if (!s_claim) return;
  ReleaseMutex(s_claim);
  CloseHandle(s_claim);
  s_claim = nullptr;
}

/* The window whose title the navigation bar shows. */
HWND FrontWindow() { return s_dialog ? s_dialog : s_main; }

/* The bar: the front window's title in bold white on dark blue, and its
 * "ok" when it has one. */
void PaintNavigationBar(HDC hdc) {
  RECT bar{0, 0, kScreenWidth, kNavBarHeight};
  FillSolid(hdc, bar, kCaption);
  HWND front = FrontWindow();
  if (!front) return;
  WCHAR title[256];
  int n = GetWindowTextW(front, title, 256);
  bool ok = (GetWindowLongW(front, GWL_EXSTYLE) & (LONG)WS_EX_CAPTIONOKBTN) != 0 && front == s_dialog;
  RECT text{kTitleLeft, 0, kScreenWidth - (ok ? kOkWidth : kTitleLeft), kNavBarHeight};
  HGDIOBJ old = SelectObject(hdc, TitleFont());
  SetTextColor(hdc, kCaptionText);
  SetBkMode(hdc, TRANSPARENT);
  DrawTextW(hdc, title, n, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(hdc, old);
  if (ok) CAPTIONOK_PaintOk(hdc, kScreenWidth - kOkWidth);
}

/* The navigation bar, and black where no window of the screen lies. */
LRESULT OnPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    PaintNavigationBar(hdc);
    RECT below{0, kNavBarHeight, kScreenWidth, kScreenHeight};
    FillSolid(hdc, below, kWindowFrame);
  }
  EndPaint(hwnd, &ps);
  return 0;
}

/* The desktop's caption follows the navigation bar's title. */
void UpdateCaption() {
  HWND front = FrontWindow();
  if (!s_frame || !front) return;
  WCHAR title[256];
  GetWindowTextW(front, title, 256);
  SetWindowTextW(s_frame, title);
}

/* The dialogs over the screen move with it. */
void OnMove(HWND hwnd) {
  POINT origin = ScreenOrigin(hwnd);
  int dx = origin.x - s_origin.x, dy = origin.y - s_origin.y;
  s_origin = origin;
  if ((!dx && !dy) || !s_dialog) return;
  std::vector<HWND> moving{s_dialog};
  HWND ok = CAPTIONOK_Of(s_dialog);
  if (ok) moving.push_back(ok);
  for (HWND w : moving) {
    RECT rc;
    ::GetWindowRect(w, &rc);
    SetWindowPos(w, nullptr, rc.left + dx, rc.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

/* The main window is gone: the screen goes too. */
void OnChildDestroyed(HWND hwnd, HWND child) {
  if (child != s_main) return;
  s_main = nullptr;
  ShowWindow(hwnd, SW_HIDE);
  PostMessageW(hwnd, kDestroyFrame, 0, 0);
}

/* The screen passes what the handheld's shell would tell the main window
 * on to it: closing, minimising, activation, focus, settings. */
LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      return OnPaint(hwnd);
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      if (s_main) {
        SendMessageW(s_main, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case kDestroyFrame:
      DestroyWindow(hwnd);
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED && s_main) SendMessageW(s_main, WM_SIZE, SIZE_MINIMIZED, 0);
      return 0;
    case WM_MOVE:
      OnMove(hwnd);
      return 0;
    case WM_ACTIVATE:
      if (s_main) SendMessageW(s_main, WM_ACTIVATE, wParam, lParam);
      RefreshNavigationBar();
      break;
    case WM_SETFOCUS:
      if (s_main) SetFocus(s_main);
      return 0;
    case WM_ENABLE:
      RefreshNavigationBar();
      return 0;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_DESTROY) OnChildDestroyed(hwnd, (HWND)lParam);
      return 0;
    case WM_COMMAND:
    case WM_SETTINGCHANGE:
      /* An accelerator translated while the frame had the focus, or a
       * change of the system's settings: the main window's business. */
      if (s_main) return SendMessageW(s_main, msg, wParam, lParam);
      return 0;
    case WM_NCDESTROY:
      s_frame = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

/* Registers the frame's class and the handheld's controls once. */
BOOL RegisterClasses(HINSTANCE hInstance) {
  static BOOL registered = [hInstance] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFrameClass;
    return RegisterClassExW(&wc) && RegisterToolkitClasses(hInstance);
  }();
  return registered;
}

/* Makes the screen, hidden, sized so that its client area is 240 x 320;
 * NULL on failure. */
HWND CreateFrame(HINSTANCE hInstance) {
  if (!RegisterClasses(hInstance)) return nullptr;
  InstallFocusRule();
  RECT rc{0, 0, kScreenWidth, kScreenHeight};
  AdjustWindowRectEx(&rc, kFrameStyle, FALSE, 0);
  s_frame = ::CreateWindowExW(0, kFrameClass, L"", kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left,
                              rc.bottom - rc.top, nullptr, nullptr, hInstance, nullptr);
  if (s_frame) s_origin = ScreenOrigin(s_frame);
  return s_frame;
}

/* The application's first top-level window gives the screen its title and
 * icon, and the screen comes up with it. */
void AdoptMainWindow(HWND hwnd, HINSTANCE hInstance, LPCWSTR lpClassName) {
  s_main = hwnd;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(hInstance, lpClassName, &wc) && wc.hIcon) {
    SendMessageW(s_frame, WM_SETICON, ICON_BIG, (LPARAM)wc.hIcon);
    SendMessageW(s_frame, WM_SETICON, ICON_SMALL, (LPARAM)(wc.hIconSm ? wc.hIconSm : wc.hIcon));
  }
  UpdateCaption();
  ShowWindow(s_frame, SW_SHOWNORMAL);
  SetForegroundWindow(s_frame);
  SetFocus(hwnd);
}

/* A top-level window of the application: a window of the screen at the
 * handheld's coordinates; CW_USEDEFAULT is the whole screen below the
 * navigation bar. */
HWND CreateScreenWindow(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int x, int y,
                        int nWidth, int nHeight, HINSTANCE hInstance, LPVOID lpParam) {
  HWND frame = s_frame ? s_frame : CreateFrame(hInstance);
  if (!frame) return nullptr;
  if (x == CW_USEDEFAULT) {
    x = 0;
    y = kNavBarHeight;
  }
  if (nWidth == CW_USEDEFAULT) {
    nWidth = kScreenWidth;
    nHeight = kScreenHeight - kNavBarHeight;
  }
  dwStyle &= ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
               WS_MINIMIZE | WS_MAXIMIZE);
  dwStyle |= WS_CHILD | WS_CLIPSIBLINGS;
  dwExStyle &= ~(DWORD)(WS_EX_APPWINDOW | WS_EX_TOOLWINDOW | WS_EX_CAPTIONOKBTN);
  HWND hwnd = ::CreateWindowExW(dwExStyle, lpClassName, lpWindowName, dwStyle, x, y, nWidth, nHeight, frame,
                                nullptr, hInstance, lpParam);
  if (hwnd && !s_main) AdoptMainWindow(hwnd, hInstance, lpClassName);
  ReleaseClaim();
  return hwnd;
}

}  // namespace

HWND FrameOf(HWND hwnd) {
  if (!s_frame || !hwnd || hwnd == s_frame) return nullptr;
  return GetAncestor(hwnd, GA_ROOTOWNER) == s_frame ? s_frame : nullptr;
}

POINT ScreenOrigin(HWND frame) {
  POINT pt{0, 0};
  ClientToScreen(frame, &pt);
  return pt;
}

void RefreshNavigationBar() {
  if (!s_frame) return;
  RECT bar{0, 0, kScreenWidth, kNavBarHeight};
  InvalidateRect(s_frame, &bar, FALSE);
  UpdateCaption();
}

void SetScreenDialog(HWND hDlg) {
  s_dialog = hDlg;
  RefreshNavigationBar();
}

HWND ScreenDialog() { return s_dialog; }

}  // namespace handheld

using namespace handheld;

HWND WINAPI HandheldCreateWindowEx(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                                   int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                   HINSTANCE hInstance, LPVOID lpParam) {
  if (!hWndParent && !(dwStyle & (WS_POPUP | WS_CHILD)))
    return CreateScreenWindow(dwExStyle, lpClassName, lpWindowName, dwStyle, x, y, nWidth, nHeight, hInstance,
                              lpParam);
  bool child = hWndParent && (dwStyle & WS_CHILD);
  bool button = !IS_INTRESOURCE(lpClassName) && lstrcmpiW(lpClassName, WC_BUTTONW) == 0;
  if (child && button && RegisterClasses(hInstance)) lpClassName = kButtonClass;
  if (!hInstance) hInstance = GetModuleHandleW(nullptr);
  HWND frame = hWndParent && (dwStyle & WS_POPUP) ? FrameOf(hWndParent) : nullptr;
  if (frame && IsChild(frame, hWndParent)) { /* a pop-up of a window in the screen (the menu bar): in it, on top */
    HWND hwnd = ::CreateWindowExW(dwExStyle & ~WS_EX_TOPMOST, lpClassName, lpWindowName,
                                  (dwStyle & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS, x, y, nWidth, nHeight, frame,
                                  nullptr, hInstance, lpParam);
    if (hwnd) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hwnd;
  }
  if (frame) { /* a pop-up of a window over the screen (a dialog's "ok"): shown with its owner */
    POINT origin = ScreenOrigin(frame);
    x += origin.x;
    y += origin.y;
    dwExStyle = (dwExStyle & ~WS_EX_TOPMOST) | WS_EX_TOOLWINDOW;
    if (!IsWindowVisible(hWndParent)) dwStyle &= ~WS_VISIBLE;
  }
  HWND hwnd = ::CreateWindowExW(dwExStyle, lpClassName, lpWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent,
                                hMenu, hInstance, lpParam);
  return hwnd;
}

/* First the desktop's top-level windows, then the windows inside each
 * handheld screen. With a class and a title given, the look-up is made
 * under their claim, which is kept for the window to come when nothing is
 * found (see the top of this file). */
HWND WINAPI HandheldFindWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
  if (lpClassName && !IS_INTRESOURCE(lpClassName) && lpWindowName) Claim(lpClassName, lpWindowName);
  HWND found = ::FindWindowW(lpClassName, lpWindowName);
  for (HWND frame = nullptr; !found && (frame = FindWindowExW(nullptr, frame, kFrameClass, nullptr));)
    found = FindWindowExW(frame, nullptr, lpClassName, lpWindowName);
  if (found) ReleaseClaim();
  return found;
}

/* The window's screen comes to the front; with the low bit set, together
 * with the windows it owns, the last active of them (an open dialog)
 * taking the activation. FALSE when Windows refuses. */
BOOL WINAPI HandheldSetForegroundWindow(HWND hWnd) {
  bool withOwned = ((ULONG_PTR)hWnd & 1) != 0;
  HWND target = (HWND)((ULONG_PTR)hWnd & ~(ULONG_PTR)1);
  HWND root = GetAncestor(target, GA_ROOT);
  if (!root) return FALSE;
  if (IsIconic(root)) ShowWindow(root, SW_RESTORE);
  HWND front = withOwned ? GetLastActivePopup(root) : root;
  return ::SetForegroundWindow(front ? front : root);
}
