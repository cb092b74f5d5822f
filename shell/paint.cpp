/*
 * paint.cpp - the main window's surface and its controls' colours.
 */
#include "shell.h"

#include "synth.h"

/* Rows in the order they are painted (0 is row 1): where rows overlap in a
 * very low window, the later ones lie on top. */
static const int s_anPaintOrder[NUM_ROWS] = {0, 5, 4, 2, 3, 1};

static BOOL IsNoise(int nWaveform) { return nWaveform == WF_WHITE_NOISE || nWaveform == WF_PINK_NOISE; }

/* Grey background, each row's picture and orange frame, and the frequency
 * label unless a noise is selected. */
LRESULT OnPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  RECT rc;

  HDC hdc = BeginPaint(hwnd, &ps);
  GetClientRect(hwnd, &rc);
  FillRect(hdc, &rc, g_hbrBackground);

  for (int i = 0; i < NUM_ROWS; i++) {
    int r = s_anPaintOrder[i];
    SelectObject(g_hdcMem, g_ahbmRow[r]);
    BitBlt(hdc, g_aptRow[r].x + g_nMargin + g_nColWidth, g_aptRow[r].y, 48, 25, g_hdcMem, 0, 0, SRCCOPY);
    SelectObject(hdc, g_hpenFrame);
    Polyline(hdc, g_aptFrame[r], 5);
  }

  if (IsNoise(g_nWaveform)) {
    FillRect(hdc, &g_rcLabel, g_hbrBackground);
  } else {
    SetTextColor(hdc, RGB(255, 255, 255));
    SetBkMode(hdc, TRANSPARENT);
    DrawTextW(hdc, g_szLabel, (int)wcslen(g_szLabel), &g_rcLabel, DT_SINGLELINE | DT_VCENTER);
  }

  EndPaint(hwnd, &ps);
  return 0;
}

/* White on blue for the periodic waves, black on light blue for the noises,
 * white on black for PLAY/STOP, black on white for the frequency box. */
LRESULT OnCtlColor(HDC hdc, HWND hwndControl) {
  SetTextColor(hdc, RGB(255, 255, 255));
  if (hwndControl == g_hwndPlay) return (LRESULT)GetStockObject(BLACK_BRUSH);
  if (hwndControl == g_hwndWhiteNoise || hwndControl == g_hwndPinkNoise) {
    SetTextColor(hdc, RGB(0, 0, 0));
    return (LRESULT)g_hbrNoise;
  }
  if (hwndControl == g_hwndFreqEdit) {
    SetTextColor(hdc, RGB(0, 0, 0));
    return (LRESULT)GetStockObject(WHITE_BRUSH);
  }
  return (LRESULT)g_hbrControl;
}
