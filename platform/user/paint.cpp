/*
 * Paint bookkeeping: the update rectangle of each window, WM_PAINT for the
 * queue, BeginPaint/EndPaint. The graphics layer supplies the device context
 * through the paint hooks.
 */
#include "user/user.h"

namespace plat::user {
namespace {

PaintHooks g_hooks;

/* Moves whenever a window may have come to need painting; g_nothingAt is
 * where it stood when a search of every window last found none. */
uint64_t g_mayBeDue = 1, g_nothingAt = 0;

/* Adds rc (client coordinates of hwnd) to the update of hwnd and, unless it
 * clips its children, to theirs. */
void Invalidate(HWND hwnd, const RECT &rc, bool erase) {
  Window *w = FromHandle(hwnd);
  RECT client = ClientArea(*w), part;
  if (!IntersectRect(&part, &rc, &client)) return;
  if (w->hasUpdate)
    UnionRect(&w->update, &w->update, &part);
  else
    w->update = part;
  w->hasUpdate = true;
  PaintMayBeDue();
  w->erase = w->erase || erase;
  if (w->style & WS_CLIPCHILDREN) return;
  for (HWND kid : w->children) {
    Window *k = FromHandle(kid);
    if (!(k->style & WS_VISIBLE)) continue;
    POINT origin{0, 0};
    ClientToScreen(kid, &origin);
    ScreenToClient(hwnd, &origin);
    RECT inKid = part;
    OffsetRect(&inKid, -origin.x, -origin.y);
    Invalidate(kid, inKid, erase);
  }
}

HWND FindIn(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!(w->style & WS_VISIBLE)) return nullptr;
  if (w->hasUpdate) return hwnd;
  for (HWND kid : w->children) {
    if (HWND found = FindIn(kid)) return found;
  }
  return nullptr;
}

void PaintNow(HWND hwnd) {
  Window *w = FromHandle(hwnd);
  if (!w || !(w->style & WS_VISIBLE)) return;
  if (w->hasUpdate) SendMessageW(hwnd, WM_PAINT, 0, 0);
  if (!(w = FromHandle(hwnd))) return;
  std::vector<HWND> kids = w->children;
  for (HWND kid : kids) PaintNow(kid);
}

}  // namespace

void SetPaintHooks(PaintHooks hooks) { g_hooks = std::move(hooks); }

PaintHooks &Hooks() { return g_hooks; }

HWND FindWindowToPaint(HWND filter) {
  if (g_nothingAt == g_mayBeDue) return nullptr;
  std::vector<HWND> roots = filter ? std::vector<HWND>{filter} : TopLevelWindows();
  for (HWND root : roots) {
    if (HWND found = FromHandle(root) ? FindIn(root) : nullptr) return found;
  }
  if (!filter) g_nothingAt = g_mayBeDue;
  return nullptr;
}

void PaintMayBeDue() { g_mayBeDue++; }

}  // namespace plat::user

using namespace plat::user;

/* Adds a rectangle (NULL: the whole client area) to the window's update, to
 * be erased first if bErase. hWnd NULL invalidates every window. Nothing is
 * added to a hidden window. FALSE for no window. */
BOOL InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase) {
  if (!hWnd) {
    for (HWND top : TopLevelWindows()) InvalidateRect(top, nullptr, bErase);
    return TRUE;
  }
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  if (!IsWindowVisible(hWnd)) return TRUE;
  Invalidate(hWnd, lpRect ? *lpRect : ClientArea(*w), bErase != FALSE);
  return TRUE;
}

/* Removes a rectangle (NULL: all) from the update. A rectangle that leaves
 * part of the update uncovered leaves the whole update. */
BOOL ValidateRect(HWND hWnd, const RECT *lpRect) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  if (!w->hasUpdate) return TRUE;
  RECT both;
  if (!lpRect || (UnionRect(&both, lpRect, &w->update) && EqualRect(&both, lpRect))) {
    w->hasUpdate = false;
    w->erase = false;
    SetRectEmpty(&w->update);
  }
  return TRUE;
}

/* Copies the bounds of the update; TRUE when there is one. */
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
  Window *w = FromHandle(hWnd);
  if (!w) return FALSE;
  if (lpRect) {
    if (w->hasUpdate)
      *lpRect = w->update;
    else
      SetRectEmpty(lpRect);
  }
  return w->hasUpdate ? TRUE : FALSE;
}

/* Delivers WM_PAINT at once to the window and then its children, each only if
 * it has an update. FALSE for no window. */
BOOL UpdateWindow(HWND hWnd) {
  if (!FromHandle(hWnd)) return FALSE;
  PaintNow(hWnd);
  return TRUE;
}

/* Starts a paint: validates the update, reports its bounds in rcPaint, and
 * sends WM_ERASEBKGND when an erase was asked for (fErase stays TRUE when the
 * window did not erase). Returns the device context of the graphics layer,
 * NULL when it has none or hWnd is no window. */
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  Window *w = FromHandle(hWnd);
  if (!w || !lpPaint) return nullptr;
  *lpPaint = PAINTSTRUCT{};
  lpPaint->rcPaint = w->hasUpdate ? w->update : RECT{};
  bool erase = w->erase;
  w->hasUpdate = false;
  w->erase = false;
  SetRectEmpty(&w->update);
  HDC hdc = g_hooks.beginPaint ? g_hooks.beginPaint(hWnd, lpPaint->rcPaint) : nullptr;
  lpPaint->hdc = hdc;
  if (erase) lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, (WPARAM)hdc, 0) ? FALSE : TRUE;
  return hdc;
}

/* Ends a paint and gives the device context back. */
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint) {
  if (!lpPaint) return FALSE;
  if (lpPaint->hdc && g_hooks.endPaint) g_hooks.endPaint(hWnd, lpPaint->hdc);
  return TRUE;
}
