/*
 * handheld.h - the handheld's meaning of the calls whose desktop meaning
 * differs, included before the application's own headers when it is built
 * for desktop Windows.
 *
 * The handheld's screen is one desktop window (the frame); the
 * application's top-level windows live inside it and its coordinates are
 * the screen's. The application's WinMain takes the wide command line, as
 * on the handheld, and is called from the desktop's entry point.
 */
#ifndef HANDHELD_H
#define HANDHELD_H

#include <windows.h>
#include <commctrl.h>

#include <aygshell.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The application's entry point. */
int WINAPI HandheldWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

/* A window without parent becomes a window of the handheld's screen; a
 * button, or a control that takes no activation, is the handheld's. */
HWND WINAPI HandheldCreateWindowEx(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle,
                                   int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                   HINSTANCE hInstance, LPVOID lpParam);
HWND WINAPI HandheldCreateUpDownControl(DWORD dwStyle, int x, int y, int cx, int cy, HWND hParent, int nID,
                                        HINSTANCE hInst, HWND hBuddy, int nUpper, int nLower, int nPos);

/* Rectangles and moves of the handheld's windows in the screen's
 * coordinates. */
BOOL WINAPI HandheldGetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI HandheldMoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);

/* FindWindow also finds the windows inside a handheld's screen; a handle
 * with its low bit set raises the screen with the windows it owns. */
HWND WINAPI HandheldFindWindow(LPCWSTR lpClassName, LPCWSTR lpWindowName);
BOOL WINAPI HandheldSetForegroundWindow(HWND hWnd);

/* The handheld's system font: the stock SYSTEM_FONT, and the font a paint
 * of the handheld's windows starts with. */
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
