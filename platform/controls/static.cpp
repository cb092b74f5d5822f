/*
 * STATIC: text (SS_LEFT, SS_CENTER, SS_RIGHT, with SS_NOPREFIX) or an icon
 * (SS_ICON), on the brush and colours of the parent's WM_CTLCOLORSTATIC.
 *
 * The text of an SS_ICON control names the icon resource: "#101" or a name,
 * or, from a dialog template, 0xFFFF followed by the number. The control
 * takes the icon's size.
 */
#include "controls/controls.h"
#include "gdi/gdiobj.h"

namespace plat::controls {
namespace {

struct Static {
  HICON icon = nullptr;
  HFONT font = nullptr;
};

DWORD TypeOf(HWND hwnd) { return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK; }

/* The icon a creation text names, loaded from the control's module. */
HICON IconFromText(HINSTANCE hInst, LPCWSTR text) {
  if (!text || !*text) return nullptr;
  if (text[0] == 0xFFFF) return LoadIconW(hInst, MAKEINTRESOURCEW(text[1]));
  return LoadIconW(hInst, text);
}

/* Resizes the control to the icon, keeping its top-left corner. */
void STATIC_FitIcon(HWND hwnd, HICON icon) {
  const gdi::Icon *image = gdi::FindAs<gdi::Icon>(icon);
  if (!image) return;
  RECT rc;
  GetWindowRect(hwnd, &rc);
  POINT corner{rc.left, rc.top};
  if (HWND parent = GetParent(hwnd)) ScreenToClient(parent, &corner);
  MoveWindow(hwnd, corner.x, corner.y, image->image.width, image->image.height, FALSE);
}

LRESULT STATIC_SetIcon(HWND hwnd, Static *s, HICON icon) {
  HICON old = s->icon;
  s->icon = icon;
  if (TypeOf(hwnd) == SS_ICON) STATIC_FitIcon(hwnd, icon);
  InvalidateRect(hwnd, nullptr, TRUE);
  return (LRESULT)old;
}

/* The icon of an SS_ICON control comes from its creation text, which is not
 * kept as its window text. */
LRESULT STATIC_Create(HWND hwnd, Static *s, const CREATESTRUCTW *cs) {
  if (TypeOf(hwnd) != SS_ICON) return 0;
  DefWindowProcW(hwnd, WM_SETTEXT, 0, (LPARAM)u"");
  STATIC_SetIcon(hwnd, s, IconFromText(cs->hInstance, cs->lpszName));
  return 0;
}

UINT TextFormat(HWND hwnd) {
  DWORD style = (DWORD)GetWindowLongW(hwnd, GWL_STYLE);
  UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      return format | DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:
      return format | DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP:
      return format | DT_LEFT | DT_SINGLELINE;
    default:
      return format | DT_LEFT | DT_WORDBREAK;
  }
}

LRESULT STATIC_Paint(HWND hwnd, Static *s) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, ControlBrush(hwnd, WM_CTLCOLORSTATIC, hdc));
    if (TypeOf(hwnd) == SS_ICON) {
      if (s->icon) DrawIcon(hdc, 0, 0, s->icon);
    } else {
      if (!IsWindowEnabled(hwnd)) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
      SetBkMode(hdc, TRANSPARENT);
      HGDIOBJ old = SelectControlFont(hdc, s->font);
      std::u16string text = TextOf(hwnd);
      DrawTextW(hdc, text.c_str(), (int)text.size(), &rc, TextFormat(hwnd));
      SelectObject(hdc, old);
    }
  }
  EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace

LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Static *s = StateOf<Static>(hwnd);
  if (!s && msg != WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_NCCREATE:
      AttachState<Static>(hwnd);
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_CREATE:
      return STATIC_Create(hwnd, s, (const CREATESTRUCTW *)lParam);
    case WM_NCDESTROY:
      FreeState<Static>(hwnd);
      return 0;
    case WM_PAINT:
      return STATIC_Paint(hwnd, s);
    case WM_ERASEBKGND:
      return 1;
    case STM_SETICON:
      return STATIC_SetIcon(hwnd, s, (HICON)wParam);
    case STM_GETICON:
      return (LRESULT)s->icon;
    case WM_SETFONT:
      s->font = (HFONT)wParam;
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return (LRESULT)s->font;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_SETTEXT:
    case WM_ENABLE:
      return DefWindowProcAndRepaint(hwnd, msg, wParam, lParam);
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace plat::controls
