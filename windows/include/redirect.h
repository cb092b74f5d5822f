/*
 * redirect.h - the Win32 functions the Windows build renames behind the
 * application's back, all of them, included before the application's and
 * the toolkit's own headers. Each stays because the application, written
 * for the handheld, calls it with the handheld's meaning and no hook,
 * subclass or class of the real API can give that meaning:
 *   WinMain: the handheld's takes the wide command line, which the
 *     desktop's headers declare narrow, and the compiler gives WinMain C
 *     linkage, so no overload can stand beside it; entry.cpp's wWinMain
 *     calls it under its new name;
 *   CreateWindowExW: a window without parent must become a child of the
 *     frame that is the handheld's screen before it exists (a CBT hook
 *     cannot change a window's parent), a BUTTON child the toolkit's (the
 *     desktop's own class is a system one), and a pop-up owned by a window
 *     of the screen takes the screen's coordinates;
 *   GetWindowRect, MoveWindow: the handheld's screen coordinates (its (0, 0)
 *     is the top left of the frame's client area), which the application
 *     reads and writes back; the desktop's are the desktop's, and a child's
 *     move would take them as its parent's;
 *   FindWindowW: the application's window is a child of the frame, which
 *     the desktop's look-up of top-level windows does not see; the look-up
 *     also claims the name for the single instance;
 *   SetForegroundWindow: the handheld's way to raise a window with the
 *     windows it owns sets the handle's low bit, which the desktop refuses;
 *   GetStockObject, BeginPaint: the handheld's system font; a stock object
 *     cannot be replaced, and a window's paint context comes with the
 *     desktop's font.
 * CreateUpDownControl is not renamed: focus.cpp's hook keeps the focus
 * from the up-down.
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
#define GetWindowRect HandheldGetWindowRect
#define MoveWindow HandheldMoveWindow
#define FindWindowW HandheldFindWindow
#define SetForegroundWindow HandheldSetForegroundWindow
#define GetStockObject HandheldGetStockObject
#define BeginPaint HandheldBeginPaint
#endif

#endif
