/*
 * wndproc.cpp - the main window's procedure: one handler per message.
 */
#include "shell.h"

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(hwnd);
    case WM_DESTROY:
      return OnDestroy(hwnd);
    case WM_SIZE:
      return OnSize(hwnd, wParam);
    case WM_ACTIVATE:
      SHHandleWMActivate(hwnd, wParam, lParam, &g_sai, 0);
      return 0;
    case WM_PAINT:
      return OnPaint(hwnd);
    case WM_SETTINGCHANGE:
      SHHandleWMSettingChange(hwnd, wParam, lParam, &g_sai);
      return 0;
    case WM_COMMAND:
      return OnCommand(hwnd, wParam, lParam);
    case WM_TIMER:
      return OnTimer(hwnd);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      return OnCtlColor((HDC)wParam, (HWND)lParam);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}
