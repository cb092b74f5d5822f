/*
 * redirect.h - the calls whose handheld meaning differs from the desktop's,
 * included before the application's and the toolkit's own headers in the
 * Windows build. Every rename of a Win32 function is here:
 *   WinMain: the application's entry, called by wWinMain;
 *   CreateWindowExW: a window without parent becomes one of the handheld's
 *     screen, a BUTTON child the toolkit's, a pop-up owned by a screen
 *     window takes the screen's coordinates;
 *   CreateUpDownControl: the up-down leaves the focus with its parent;
 *   GetWindowRect, MoveWindow: the screen's coordinates (its (0, 0) is the
 *     top left of the frame's client area);
 *   FindWindowW, SetForegroundWindow: the windows inside a screen;
 *   GetStockObject, BeginPaint: the handheld's system font.
 */
#ifndef HANDHELD_REDIRECT_H
#define HANDHELD_REDIRECT_H

#include <windows.h>
#include <commctrl.h>

#include <aygshell.h>

#ifdef __cplusplus
extern "C" {
#endif

int WINAPI HandheldWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
HWND WINAPI HandheldCreateWindowEx(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                                   int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                   HINSTANCE hInstance, LPVOID lpParam);
HWND WINAPI HandheldCreateUpDownControl(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent, int nID,
                                        HINSTANCE hInst, HWND hBuddy, int nUpper, int nLower, int nPos);
BOOL WINAPI HandheldGetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI HandheldMoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
HWND WINAPI HandheldFindWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName);
BOOL WINAPI HandheldSetForegroundWindow(HWND hWnd);
HGDIOBJ WINAPI HandheldGetStockObject(int i);
HDC WINAPI HandheldBeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);

#ifdef __cplusplus
}
#endif

/* The layer itself calls the real functions. */
#ifndef HANDHELD_LAYER
#define WinMain HandheldWinMain
#define CreateWindowExW HandheldCreateWindowEx
#define CreateUpDownControl HandheldCreateUpDownControl
#define GetWindowRect HandheldGetWindowRect
#define MoveWindow HandheldMoveWindow
#define FindWindowW HandheldFindWindow
#define SetForegroundWindow HandheldSetForegroundWindow
#define GetStockObject HandheldGetStockObject
#define BeginPaint HandheldBeginPaint
#endif

#endif
