/*
 * What the controls share: notifications and colours from the parent,
 * fonts, a few shapes and the dialog units.
 */
#include <cmath>

#include "controls/controls.h"

namespace plat::controls {

void NotifyParent(HWND hwnd, WORD code) {
  SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), (LPARAM)hwnd);
}

LRESULT DefWindowProcAndRepaint(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = DefWindowProcW(hwnd, msg, wParam, lParam);
  InvalidateRect(hwnd, nullptr, TRUE);
  return result;
}

HBRUSH ControlBrush(HWND hwnd, UINT msg, HDC hdc) {
  HWND parent = GetParent(hwnd);
  HBRUSH brush = (HBRUSH)SendMessageW(parent, msg, (WPARAM)hdc, (LPARAM)hwnd);
  if (!brush) brush = (HBRUSH)DefWindowProcW(parent ? parent : hwnd, msg, (WPARAM)hdc, (LPARAM)hwnd);
  return brush;
}

HGDIOBJ SelectControlFont(HDC hdc, HFONT font) {
  return SelectObject(hdc, font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT));
}

void FillArrow(HDC hdc, const RECT &rc, bool up, int w, HBRUSH brush) {
  int rows = (w + 1) / 2;
  int cx = (rc.left + rc.right) / 2;
  int top = (rc.top + rc.bottom - rows) / 2;
  for (int i = 0; i < rows; ++i) {
    int half = up ? i : rows - 1 - i;
    RECT row{cx - half, top + i, cx + half + 1, top + i + 1};
    FillRect(hdc, &row, brush);
  }
}

std::u16string TextOf(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::u16string text((size_t)n + 1, u'\0');
  text.resize((size_t)GetWindowTextW(hwnd, text.data(), n + 1));
  return text;
}

SIZE BaseUnitsOf(HFONT font) {
  static const WCHAR alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  HDC hdc = GetDC(nullptr);
  HGDIOBJ old = SelectControlFont(hdc, font);
  SIZE extent{0, 0};
  TEXTMETRICW tm{};
  GetTextExtentPoint32W(hdc, alphabet, 52, &extent);
  GetTextMetricsW(hdc, &tm);
  SelectObject(hdc, old);
  ReleaseDC(nullptr, hdc);
  SIZE units{(extent.cx / 26 + 1) / 2, tm.tmHeight};
  if (units.cx <= 0) units.cx = 4;
  if (units.cy <= 0) units.cy = 8;
  return units;
}

}  // namespace plat::controls
