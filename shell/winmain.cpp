/*
 * winmain.cpp - start-up and the message loop.
 */
#include "shell.h"

#include <string.h>

#include "resource.h"
#include "synth.h"

HINSTANCE g_hInst;
HWND g_hwndMB;
int g_nWaveform;

/* Runs Tonbrook: brings up the main window and dispatches messages until the
 * window posts quit. Returns the quit code, 0, also when start-up ends early. */
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
  (void)hPrevInstance;
  (void)lpCmdLine;
  MSG msg;

  if (!InitInstance(hInstance, nCmdShow)) return 0;

  HACCEL hAccel = LoadAcceleratorsW(hInstance, MAKEINTRESOURCE(IDR_ACCEL));
  while (GetMessageW(&msg, NULL, 0, 0)) {
    if (!TranslateAcceleratorW(msg.hwnd, hAccel, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return (int)msg.wParam;
}

/* Brings up the one instance of Tonbrook: returns FALSE when another
 * instance runs (it is brought to the front) or the main window could not be
 * created, TRUE when the window is up with the sine selected and the refresh
 * timer running. */
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow) {
  WCHAR szWindowClass[100];
  WCHAR szTitle[100];
  RECT rc;

  g_hInst = hInstance;
  LoadStringW(hInstance, IDS_WNDCLASS, szWindowClass, 100);
  LoadStringW(hInstance, IDS_APP_TITLE, szTitle, 100);

  HWND hwndOther = FindWindowW(szWindowClass, szTitle);
  if (hwndOther) {
    SetForegroundWindow((HWND)((ULONG_PTR)hwndOther | 0x1));
    return FALSE;
  }

  RegisterMainWindowClass(hInstance, szWindowClass);

  HWND hwnd = CreateWindowExW(0, szWindowClass, szTitle, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
  if (!hwnd) return FALSE;

  /* Leave the bottom of the screen to the menu bar. */
  GetWindowRect(hwnd, &rc);
  if (g_hwndMB) MoveWindow(hwnd, rc.left, rc.top, rc.right, (rc.bottom - rc.top) - MENU_BAR_HEIGHT, FALSE);

  ShowWindow(hwnd, nCmdShow);
  UpdateWindow(hwnd);

  g_nWaveform = WF_SINE;
  SnapFrequency();
  GenerateWaveform(g_nWaveform, g_GenParams.fFrequency);
  SendMessageW(hwnd, WM_COMMAND, IDC_SINE, 0);

  SetTimer(hwnd, IDT_REFRESH, g_GenParams.nTimerMs, NULL);
  return TRUE;
}

/* Registers the main window's class; returns RegisterClassW's atom. */
ATOM RegisterMainWindowClass(HINSTANCE hInstance, LPCWSTR szWindowClass) {
  WNDCLASSW wc;

  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WndProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = hInstance;
  wc.hIcon = LoadIconW(hInstance, MAKEINTRESOURCE(IDI_APP));
  wc.hCursor = NULL;
  wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
  wc.lpszMenuName = NULL;
  wc.lpszClassName = szWindowClass;
  return RegisterClassW(&wc);
}

/* Creates the shell's menu bar for hwnd from the program's menu-bar
 * resources; returns it, or NULL when the shell refuses. */
HWND CreateMenuBar(HWND hwnd) {
  SHMENUBARINFO mbi;

  memset(&mbi, 0, sizeof(mbi));
  mbi.cbSize = sizeof(mbi);
  mbi.hwndParent = hwnd;
  mbi.dwFlags = 0;
  mbi.nToolBarId = IDR_MENUBAR;
  mbi.hInstRes = g_hInst;
  mbi.nBmpId = 0;
  mbi.cBmpImages = 0;

  if (!SHCreateMenuBar(&mbi)) return NULL;
  return mbi.hwndMB;
}
