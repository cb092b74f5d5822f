/*
 * look.cpp - the handheld's fonts and the shapes its windows are drawn
 * with, so that they look as they do on the handheld.
 */
#include <cmath>

#include "layer.h"

namespace handheld {
namespace {

/* The handheld's system font at 96 dpi, in the given weight. */
HFONT MakeFont(int weight) {
  return CreateFontW(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
}

}  // namespace

HFONT SystemFont() {
  static HFONT font = MakeFont(FW_NORMAL);
  return font;
}

HFONT TitleFont() {
  static HFONT font = MakeFont(FW_BOLD);
  return font;
}

/* Fills rc with one colour without a brush: an opaque empty text run. */
void FillSolid(HDC hdc, const RECT &rc, COLORREF colour) {
  COLORREF old = SetBkColor(hdc, colour);
  ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  SetBkColor(hdc, old);
}

/* A filled disc of radius r round (cx, cy), row by row, as the handheld
 * draws its radio buttons. */
void FillDisc(HDC hdc, int cx, int cy, int r, COLORREF colour) {
  for (int dy = -r; dy < r; ++dy) {
    double y = dy + 0.5;
    int half = (int)std::lround(std::sqrt((double)r * r - y * y));
    RECT row{cx - half, cy + dy, cx + half, cy + dy + 1};
    FillSolid(hdc, row, colour);
  }
}

void PaintOk(HDC hdc, int x) {
  HPEN pen = CreatePen(PS_SOLID, 1, kCaptionText);
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
  Ellipse(hdc, x + 2, 3, x + kOkWidth - 2, kNavBarHeight - 3);
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldPen);
  DeleteObject(pen);
  RECT ok{x, 0, x + kOkWidth, kNavBarHeight};
  HGDIOBJ oldFont = SelectObject(hdc, TitleFont());
  SetTextColor(hdc, kCaptionText);
  SetBkMode(hdc, TRANSPARENT);
  DrawTextW(hdc, L"ok", 2, &ok, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  SelectObject(hdc, oldFont);
}

/* Whether a class name (or atom) passed to CreateWindowEx names the class
 * `name`. */
BOOL IsClass(LPCWSTR lpClassName, LPCWSTR name) {
  if (!lpClassName || IS_INTRESOURCE(lpClassName)) return FALSE;
  return lstrcmpiW(lpClassName, name) == 0;
}

}  // namespace handheld

using namespace handheld;

HGDIOBJ WINAPI HandheldGetStockObject(int i) {
  if (i == SYSTEM_FONT) {
    HFONT font = SystemFont();
    if (font) return font;
  }
  return GetStockObject(i);
}

HDC WINAPI HandheldBeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  HDC hdc = BeginPaint(hWnd, lpPaint);
  HFONT font = SystemFont();
  if (hdc && font && FrameOf(hWnd)) SelectObject(hdc, font);
  return hdc;
}
