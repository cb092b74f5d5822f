/*
 * look.cpp - the handheld's fonts and colours, so that its windows look as
 * they do on the handheld, and the handheld toolkit's classes.
 */
#include "layer.h"

namespace handheld {
namespace {

/* The handheld's system font at 96 dpi, in the given weight. */
HFONT MakeFont(int weight) {
  return CreateFontW(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
}

/* The handheld's system colours by index, as its GetSysColor gives them. */
const COLORREF kSysColors[] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   kCaption,           RGB(128, 128, 128), /* scroll bar .. inactive caption */
    RGB(255, 255, 255), RGB(255, 255, 255), kWindowFrame,       RGB(0, 0, 0),       /* menu .. menu text */
    RGB(0, 0, 0),       kCaptionText,       RGB(192, 192, 192), RGB(192, 192, 192), /* window text .. inactive border */
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192), /* app workspace .. button face */
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192), /* shadow .. inactive caption text */
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(223, 223, 223), RGB(0, 0, 0),       /* highlight .. info text */
    RGB(255, 255, 225),                                                            /* info background */
};
constexpr int kSysColorCount = (int)(sizeof kSysColors / sizeof kSysColors[0]);

/* The handheld's colour; 0 for an unknown index, as GetSysColor gives. */
DWORD SysColor(int nIndex) { return nIndex >= 0 && nIndex < kSysColorCount ? kSysColors[nIndex] : 0; }

/* A solid brush of the handheld's colour, made once and kept; NULL for an
 * unknown index or when no brush can be made. */
HBRUSH SysColorBrush(int nIndex) {
  static HBRUSH s_brushes[kSysColorCount];
  if (nIndex < 0 || nIndex >= kSysColorCount) return nullptr;
  if (!s_brushes[nIndex]) s_brushes[nIndex] = CreateSolidBrush(kSysColors[nIndex]);
  return s_brushes[nIndex];
}

}  // namespace

const WCHAR kButtonClass[] = L"HandheldButton";

HFONT SystemFont() {
  static HFONT s_font = MakeFont(FW_NORMAL);
  return s_font;
}

HFONT TitleFont() {
  static HFONT s_font = MakeFont(FW_BOLD);
  return s_font;
}

/* Fills rc with one colour without a brush: an opaque empty text run. */
void FillSolid(HDC hdc, const RECT &rc, COLORREF colour) {
  COLORREF old = SetBkColor(hdc, colour);
  ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  SetBkColor(hdc, old);
}

BOOL RegisterToolkitClasses(HINSTANCE hInstance) {
  struct Entry {
    LPCWSTR name;
    WNDPROC proc;
    int extra;
  };
  const Entry classes[] = {
      {kButtonClass, BUTTON_WndProc, HANDHELD_STATE_BYTES},
      {HANDHELD_MENUBAR_CLASS, MENUBAR_WndProc, HANDHELD_STATE_BYTES},
      {HANDHELD_CAPTIONOK_CLASS, CAPTIONOK_WndProc, 0},
  };
  for (const Entry &e : classes) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = e.proc;
    wc.cbWndExtra = e.extra;
    wc.hInstance = hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = e.name;
    if (!RegisterClassExW(&wc)) return FALSE;
  }
  HANDHELD_SetDialogHook(AdoptDialog);
  HANDHELD_SetColors(SysColor, SysColorBrush);
  return TRUE;
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

