/*
 * shell.h - Tonbrook's main window: its globals, shared by start-up, the
 * window procedure's handlers and the About box.
 */
#ifndef TONBROOK_SHELL_H
#define TONBROOK_SHELL_H

#include <windows.h>
#include <aygshell.h>

#define MENU_BAR_HEIGHT 26
#define NUM_ROWS 6

/* Start-up */
extern HINSTANCE g_hInst;
extern HWND g_hwndMB;
extern int g_nWaveform;

/* Layout, computed once from the window's size at creation */
extern int g_nColWidth;
extern int g_nRowHeight;
extern int g_nMargin;
extern int g_nRowGap;
extern POINT g_aptRow[NUM_ROWS];
extern int g_xRightColumn;
extern RECT g_rcLabel;
extern POINT g_aptFrame[NUM_ROWS][5];

/* Drawing objects, made once at creation */
extern HBRUSH g_hbrBackground;
extern HBRUSH g_hbrControl;
extern HBRUSH g_hbrNoise;
extern HPEN g_hpenFrame;
extern HFONT g_hfontButton;
extern HBITMAP g_ahbmRow[NUM_ROWS];
extern HDC g_hdcMem;

/* Controls */
extern HWND g_hwndSine;
extern HWND g_hwndTriangle;
extern HWND g_hwndSawtooth;
extern HWND g_hwndSquare;
extern HWND g_hwndWhiteNoise;
extern HWND g_hwndPinkNoise;
extern HWND g_hwndPlay;
extern HWND g_hwndFreqEdit;
extern HWND g_hwndSpin;

extern SHACTIVATEINFO g_sai;
extern WCHAR g_szLabel[100];
extern BOOL g_bPlaying;
extern BOOL g_bSoundReady;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
BOOL InitInstance(HINSTANCE hInstance, int nCmdShow);
ATOM RegisterMainWindowClass(HINSTANCE hInstance, LPCWSTR szWindowClass);
HWND CreateMenuBar(HWND hwnd);

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

/* Handlers of WndProc */
LRESULT OnCreate(HWND hwnd);
LRESULT OnPaint(HWND hwnd);
LRESULT OnCtlColor(HDC hdc, HWND hwndControl);
LRESULT OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
LRESULT OnTimer(HWND hwnd);
LRESULT OnSize(HWND hwnd, WPARAM wParam);
LRESULT OnDestroy(HWND hwnd);

#endif
