/*
 * Rectangle helpers and the few system queries.
 */
#include <algorithm>

#include "user/user.h"

BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
  if (!lprc) return FALSE;
  *lprc = RECT{xLeft, yTop, xRight, yBottom};
  return TRUE;
}

BOOL SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

BOOL IsRectEmpty(const RECT *lprc) {
  return !lprc || lprc->right <= lprc->left || lprc->bottom <= lprc->top;
}

/* The smallest rectangle holding both; an empty one does not count. FALSE
 * when the result is empty. */
BOOL UnionRect(LPRECT lprcDst, const RECT *lprcSrc1, const RECT *lprcSrc2) {
  if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
  if (IsRectEmpty(lprcSrc1)) {
    *lprcDst = *lprcSrc2;
  } else if (IsRectEmpty(lprcSrc2)) {
    *lprcDst = *lprcSrc1;
  } else {
    *lprcDst = RECT{std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
                    std::max(lprcSrc1->right, lprcSrc2->right),
                    std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
  }
  if (IsRectEmpty(lprcDst)) {
    SetRectEmpty(lprcDst);
    return FALSE;
  }
  return TRUE;
}

/* The common part; FALSE (and an empty result) when there is none. */
BOOL IntersectRect(LPRECT lprcDst, const RECT *lprcSrc1, const RECT *lprcSrc2) {
  if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
  RECT r{std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
         std::min(lprcSrc1->right, lprcSrc2->right), std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
  if (IsRectEmpty(&r)) {
    SetRectEmpty(lprcDst);
    return FALSE;
  }
  *lprcDst = r;
  return TRUE;
}

BOOL OffsetRect(LPRECT lprc, int dx, int dy) {
  if (!lprc) return FALSE;
  lprc->left += dx;
  lprc->right += dx;
  lprc->top += dy;
  lprc->bottom += dy;
  return TRUE;
}

BOOL PtInRect(const RECT *lprc, POINT pt) {
  return lprc && pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top &&
         pt.y < lprc->bottom;
}

BOOL EqualRect(const RECT *lprc1, const RECT *lprc2) {
  return lprc1 && lprc2 && lprc1->left == lprc2->left && lprc1->top == lprc2->top &&
         lprc1->right == lprc2->right && lprc1->bottom == lprc2->bottom;
}

/* The handheld has no speaker of its own for beeps here; nothing sounds. */
BOOL MessageBeep(UINT) { return TRUE; }

/* The screen is 240 x 320; other metrics are 0. */
int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN:
      return 240;
    case SM_CYSCREEN:
      return 320;
    default:
      return 0;
  }
}
