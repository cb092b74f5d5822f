/*
 * coords.cpp - the handheld's windows measured and moved in the screen's
 * coordinates: (0, 0) is the top left of the handheld's screen, wherever
 * the frame is on the desktop.
 */
#include "layer.h"

using namespace handheld;

/* The desktop's rectangle, shifted to the screen's coordinates for a
 * window inside or over the handheld's screen. */
BOOL WINAPI HandheldGetWindowRect(HWND hWnd, LPRECT lpRect) {
  if (!::GetWindowRect(hWnd, lpRect)) return FALSE;
  HWND frame = FrameOf(hWnd);
  if (frame) {
    POINT origin = ScreenOrigin(frame);
    OffsetRect(lpRect, -origin.x, -origin.y);
  }
  return TRUE;
}

/* A child is placed in its parent's client area, as on the desktop; a
 * dialog over the screen at the screen's coordinates. */
BOOL WINAPI HandheldMoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
  HWND frame = FrameOf(hWnd);
  if (frame && !(GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD)) {
    POINT origin = ScreenOrigin(frame);
    X += origin.x;
    Y += origin.y;
  }
  return ::MoveWindow(hWnd, X, Y, nWidth, nHeight, bRepaint);
}
