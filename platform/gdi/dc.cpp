/*
 * Device contexts: window DCs (GetDC, GetWindowDC, the DC of BeginPaint)
 * that draw on the screen through a window's visible parts, memory DCs that
 * draw into their selected bitmap, selection and the DC's colours.
 */
#include "gdi/gdi.h"
#include "user/user.h"

namespace plat::gdi {
namespace {

/* The 1 x 1 bitmap a new memory DC starts with. */
HGDIOBJ DefaultBitmap() {
  static HGDIOBJ h = [] {
    HGDIOBJ bm = AddObject(Bitmap{1, 1, {0}});
    MarkStock(bm);
    return bm;
  }();
  return h;
}

Dc NewDc(Dc::Kind kind) {
  Dc dc;
  dc.kind = kind;
  dc.brush = Stock(WHITE_BRUSH);
  dc.pen = Stock(BLACK_PEN);
  dc.font = Stock(SYSTEM_FONT);
  return dc;
}

/* Whether a memory DC other than except has bm selected. */
bool SelectedElsewhere(HGDIOBJ bm, HGDIOBJ except) {
  bool found = false;
  ForEachDc([&](HGDIOBJ h, Dc &dc) {
    if (h != except && dc.bitmap == bm) found = true;
  });
  return found;
}

void EndPaintDc(HWND, HDC hdc) {
  Dc *dc = FindAs<Dc>(hdc);
  if (dc && dc->paint) RemoveObject(hdc);
}

HDC BeginPaintDc(HWND hwnd, const RECT &paint) {
  PaintNonClient(hwnd);
  HDC hdc = MakeWindowDc(hwnd, true, &paint);
  if (Dc *dc = FindAs<Dc>(hdc)) dc->paint = true;
  return hdc;
}

bool EraseBackground(HWND hwnd, HDC hdc, HBRUSH brush) {
  RECT rc;
  if (!GetClientRect(hwnd, &rc)) return false;
  return FillRect(hdc, &rc, brush) != 0;
}

/* The default colours of a control: the window colours for an edit box or
 * list, the button face for a button, the static colours for the rest. */
HBRUSH ControlColor(UINT msg, HDC hdc) {
  int text = COLOR_STATICTEXT, back = COLOR_STATIC;
  switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      text = COLOR_WINDOWTEXT;
      back = COLOR_WINDOW;
      break;
    case WM_CTLCOLORBTN:
      text = COLOR_BTNTEXT;
      back = COLOR_BTNFACE;
      break;
    case WM_CTLCOLORSCROLLBAR:
      text = COLOR_WINDOWTEXT;
      back = COLOR_SCROLLBAR;
      break;
    default:
      break;
  }
  SetTextColor(hdc, GetSysColor(text));
  SetBkColor(hdc, GetSysColor(back));
  return GetSysColorBrush(back);
}

}  // namespace

HDC MakeWindowDc(HWND hwnd, bool client, const RECT *paint) {
  user::Window *w = user::FromHandle(hwnd);
  if (!w) return nullptr;
  Dc dc = NewDc(Dc::Kind::Window);
  dc.hwnd = hwnd;
  RECT rc = user::ScreenRect(*w);
  dc.origin = POINT{rc.left, rc.top};
  if (client) {
    dc.origin = POINT{0, 0};
    ClientToScreen(hwnd, &dc.origin);
  }
  dc.clip = VisibleParts(hwnd, client);
  if (paint) {
    Target t{nullptr, std::move(dc.clip), dc.origin};
    Restrict(t, *paint);
    dc.clip = std::move(t.clip);
  }
  return (HDC)AddObject(std::move(dc));
}

void PaintNonClient(HWND hwnd) {
  user::Window *w = user::FromHandle(hwnd);
  if (!w || !(w->style & WS_BORDER || w->exStyle & WS_EX_CLIENTEDGE)) return;
  HDC hdc = MakeWindowDc(hwnd, false, nullptr);
  RECT rc = user::ScreenRect(*w);
  OffsetRect(&rc, -rc.left, -rc.top);
  if (w->style & WS_BORDER) {
    FrameRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
    rc = RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1};
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(hdc, &rc, EDGE_SUNKEN, BF_RECT);
  RemoveObject(hdc);
}

void Install() {
  user::SetPaintHooks(user::PaintHooks{BeginPaintDc, EndPaintDc, EraseBackground, ControlColor});
}

}  // namespace plat::gdi

using namespace plat::gdi;

/* A DC for the client area of hWnd (NULL: the whole screen below the
 * navigation bar); release it with ReleaseDC. NULL for no window. */
HDC GetDC(HWND hWnd) {
  if (!hWnd) {
    Dc dc = NewDc(Dc::Kind::Window);
    dc.clip = {RECT{0, kNavBarHeight, kScreenWidth, kScreenHeight}};
    return (HDC)AddObject(std::move(dc));
  }
  return MakeWindowDc(hWnd, true, nullptr);
}

/* A DC for the whole window, its border included. NULL for no window. */
HDC GetWindowDC(HWND hWnd) { return hWnd ? MakeWindowDc(hWnd, false, nullptr) : GetDC(nullptr); }

/* Frees a DC from GetDC or GetWindowDC: 1, or 0 for any other handle. */
int ReleaseDC(HWND, HDC hDC) {
  Dc *dc = FindAs<Dc>(hDC);
  if (!dc || dc->kind != Dc::Kind::Window || dc->paint) return 0;
  RemoveObject(hDC);
  return 1;
}

/* A memory DC with a 1 x 1 bitmap selected. NULL when hdc is given and is
 * no DC. */
HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !FindAs<Dc>(hdc)) return nullptr;
  Dc dc = NewDc(Dc::Kind::Memory);
  dc.bitmap = DefaultBitmap();
  return (HDC)AddObject(std::move(dc));
}

/* Frees a memory DC; FALSE for a window DC or no DC. */
BOOL DeleteDC(HDC hdc) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc || dc->kind != Dc::Kind::Memory) return FALSE;
  return RemoveObject(hdc) ? TRUE : FALSE;
}

/* Selects a brush, pen, font or (into a memory DC) a bitmap and returns the
 * object it replaces. NULL for no DC, no such object, a bitmap for a window
 * DC, or a bitmap selected into another DC. */
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ hgdiobj) {
  Dc *dc = FindAs<Dc>(hdc);
  Object *obj = FindObject(hgdiobj);
  if (!dc || !obj) return nullptr;
  HGDIOBJ *slot = nullptr;
  if (std::holds_alternative<Brush>(*obj)) {
    slot = &dc->brush;
  } else if (std::holds_alternative<Pen>(*obj)) {
    slot = &dc->pen;
  } else if (std::holds_alternative<Font>(*obj)) {
    slot = &dc->font;
  } else if (std::holds_alternative<Bitmap>(*obj)) {
    if (dc->kind != Dc::Kind::Memory) return nullptr;
    if (hgdiobj != DefaultBitmap() && SelectedElsewhere(hgdiobj, hdc)) return nullptr;
    slot = &dc->bitmap;
  } else {
    return nullptr;
  }
  HGDIOBJ old = *slot;
  *slot = hgdiobj;
  return old;
}

/* The selected object of a type (OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP). */
HGDIOBJ GetCurrentObject(HDC hdc, UINT uObjectType) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return nullptr;
  switch (uObjectType) {
    case OBJ_PEN:
      return dc->pen;
    case OBJ_BRUSH:
      return dc->brush;
    case OBJ_FONT:
      return dc->font;
    case OBJ_BITMAP:
      return dc->bitmap;
    default:
      return nullptr;
  }
}

/* The colour setters return the colour before, CLR_INVALID for no DC. */
COLORREF SetTextColor(HDC hdc, COLORREF crColor) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColor;
  dc->textColor = crColor & 0x00FFFFFF;
  return old;
}

COLORREF GetTextColor(HDC hdc) {
  Dc *dc = FindAs<Dc>(hdc);
  return dc ? dc->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF crColor) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColor;
  dc->bkColor = crColor & 0x00FFFFFF;
  return old;
}

COLORREF GetBkColor(HDC hdc) {
  Dc *dc = FindAs<Dc>(hdc);
  return dc ? dc->bkColor : CLR_INVALID;
}

/* OPAQUE or TRANSPARENT; returns the mode before, 0 for no DC or another
 * mode. */
int SetBkMode(HDC hdc, int iBkMode) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc || (iBkMode != OPAQUE && iBkMode != TRANSPARENT)) return 0;
  int old = dc->bkMode;
  dc->bkMode = iBkMode;
  return old;
}

int GetBkMode(HDC hdc) {
  Dc *dc = FindAs<Dc>(hdc);
  return dc ? dc->bkMode : 0;
}
