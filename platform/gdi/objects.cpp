/*
 * Graphics objects: stock objects, solid brushes, pens, fonts, bitmaps, the
 * system colours, and GetObjectW/DeleteObject.
 */
#include <algorithm>
#include <cstring>

#include "gdi/gdi.h"

namespace plat::gdi {
namespace {

constexpr int kStockCount = SYSTEM_FONT + 1;
constexpr int kSysColorCount = COLOR_STATICTEXT + 1;

/* The handheld's system colours, as COLORREFs. */
const COLORREF kSysColors[kSysColorCount] = {
    RGB(192, 192, 192), /* COLOR_SCROLLBAR */
    RGB(0, 128, 128),   /* COLOR_BACKGROUND */
    RGB(0, 0, 128),     /* COLOR_ACTIVECAPTION */
    RGB(128, 128, 128), /* COLOR_INACTIVECAPTION */
    RGB(255, 255, 255), /* COLOR_MENU */
    RGB(255, 255, 255), /* COLOR_WINDOW */
    RGB(0, 0, 0),       /* COLOR_WINDOWFRAME */
    RGB(0, 0, 0),       /* COLOR_MENUTEXT */
    RGB(0, 0, 0),       /* COLOR_WINDOWTEXT */
    RGB(255, 255, 255), /* COLOR_CAPTIONTEXT */
    RGB(192, 192, 192), /* COLOR_ACTIVEBORDER */
    RGB(192, 192, 192), /* COLOR_INACTIVEBORDER */
    RGB(128, 128, 128), /* COLOR_APPWORKSPACE */
    RGB(0, 0, 128),     /* COLOR_HIGHLIGHT */
    RGB(255, 255, 255), /* COLOR_HIGHLIGHTTEXT */
    RGB(192, 192, 192), /* COLOR_BTNFACE */
    RGB(128, 128, 128), /* COLOR_BTNSHADOW */
    RGB(128, 128, 128), /* COLOR_GRAYTEXT */
    RGB(0, 0, 0),       /* COLOR_BTNTEXT */
    RGB(192, 192, 192), /* COLOR_INACTIVECAPTIONTEXT */
    RGB(255, 255, 255), /* COLOR_BTNHIGHLIGHT */
    RGB(0, 0, 0),       /* COLOR_3DDKSHADOW */
    RGB(223, 223, 223), /* COLOR_3DLIGHT */
    RGB(0, 0, 0),       /* COLOR_INFOTEXT */
    RGB(255, 255, 225), /* COLOR_INFOBK */
    RGB(255, 255, 255), /* COLOR_STATIC */
    RGB(0, 0, 0),       /* COLOR_STATICTEXT */
};

/* The stock font: the handheld's system font, 8 points at 96 dpi. */
LOGFONTW SystemLogFont() {
  LOGFONTW lf{};
  lf.lfHeight = -11;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  const char16_t name[] = u"DejaVu Sans";
  std::copy(std::begin(name), std::end(name), lf.lfFaceName);
  return lf;
}

struct StockTable {
  HGDIOBJ objects[kStockCount] = {};
  HGDIOBJ sysBrushes[kSysColorCount] = {};
};

HGDIOBJ AddStock(Object obj) {
  HGDIOBJ h = AddObject(std::move(obj));
  MarkStock(h);
  return h;
}

StockTable &Stocks() {
  static StockTable t = [] {
    StockTable s;
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                              RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) s.objects[i] = AddStock(Brush{BS_SOLID, greys[i]});
    s.objects[NULL_BRUSH] = AddStock(Brush{BS_NULL, 0});
    s.objects[WHITE_PEN] = AddStock(Pen{PS_SOLID, 1, RGB(255, 255, 255)});
    s.objects[BLACK_PEN] = AddStock(Pen{PS_SOLID, 1, RGB(0, 0, 0)});
    s.objects[NULL_PEN] = AddStock(Pen{PS_NULL, 1, 0});
    s.objects[SYSTEM_FONT] = AddStock(Font{SystemLogFont()});
    for (int i = 0; i < kSysColorCount; ++i) s.sysBrushes[i] = AddStock(Brush{BS_SOLID, kSysColors[i]});
    return s;
  }();
  return t;
}

/* Whether a DC has h selected. */
bool IsSelected(HGDIOBJ h) {
  bool selected = false;
  ForEachDc([&](HGDIOBJ, Dc &dc) {
    if (dc.bitmap == h || dc.brush == h || dc.pen == h || dc.font == h) selected = true;
  });
  return selected;
}

/* Copies what of the record fits into the caller's buffer; returns the
 * bytes copied, or the record's size when the buffer is NULL. */
template <class T>
int CopyOut(const T &record, int cb, LPVOID out) {
  if (!out) return (int)sizeof(T);
  if (cb <= 0) return 0;
  int n = std::min<int>(cb, (int)sizeof(T));
  std::memcpy(out, &record, (size_t)n);
  return n;
}

}  // namespace

HGDIOBJ Stock(int index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  return Stocks().objects[index];
}

const Brush *BrushOf(HBRUSH hbr) {
  uintptr_t value = (uintptr_t)hbr;
  if (value >= 1 && value <= (uintptr_t)kSysColorCount)
    return FindAs<Brush>(Stocks().sysBrushes[value - 1]);
  return FindAs<Brush>(hbr);
}

}  // namespace plat::gdi

using namespace plat::gdi;

/* A stock object by index; NULL for an index the handheld has none of. */
HGDIOBJ GetStockObject(int fnObject) { return Stock(fnObject); }

HBRUSH CreateSolidBrush(COLORREF crColor) {
  return (HBRUSH)AddObject(Brush{BS_SOLID, crColor & 0x00FFFFFF});
}

/* A pen of PS_SOLID, PS_DASH or PS_NULL; a width below 1 draws 1 pixel wide.
 * NULL for another style. */
HPEN CreatePen(int fnPenStyle, int nWidth, COLORREF crColor) {
  if (fnPenStyle != PS_SOLID && fnPenStyle != PS_DASH && fnPenStyle != PS_NULL) return nullptr;
  return (HPEN)AddObject(Pen{(UINT)fnPenStyle, std::max(1, nWidth), crColor & 0x00FFFFFF});
}

/* A font of the record; NULL for no record. */
HFONT CreateFontIndirectW(const LOGFONTW *lplf) {
  if (!lplf) return nullptr;
  Font f{*lplf};
  f.lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return (HFONT)AddObject(f);
}

/* A 32-bit bitmap, zero-filled; NULL for a size below 1 or above 4096. */
HBITMAP CreateCompatibleBitmap(HDC, int nWidth, int nHeight) {
  if (nWidth < 1 || nHeight < 1 || nWidth > 4096 || nHeight > 4096) return nullptr;
  Bitmap bm;
  bm.width = nWidth;
  bm.height = nHeight;
  bm.pixels.assign((size_t)nWidth * nHeight, 0);
  return (HBITMAP)AddObject(std::move(bm));
}

/* Copies the description of a font (LOGFONTW), brush (LOGBRUSH), pen
 * (LOGPEN) or bitmap (BITMAP). Returns the bytes copied, the size needed
 * when lpvObject is NULL, 0 for a handle of no such object. */
int GetObjectW(HGDIOBJ hgdiobj, int cbBuffer, LPVOID lpvObject) {
  Object *obj = FindObject(hgdiobj);
  if (!obj) return 0;
  if (auto *f = std::get_if<Font>(obj)) return CopyOut(f->lf, cbBuffer, lpvObject);
  if (auto *b = std::get_if<Brush>(obj)) return CopyOut(LOGBRUSH{b->style, b->color, 0}, cbBuffer, lpvObject);
  if (auto *p = std::get_if<Pen>(obj))
    return CopyOut(LOGPEN{p->style, POINT{p->width, 0}, p->color}, cbBuffer, lpvObject);
  if (auto *bm = std::get_if<Bitmap>(obj)) {
    BITMAP info{0, bm->width, bm->height, bm->width * 4, 1, 32, nullptr};
    return CopyOut(info, cbBuffer, lpvObject);
  }
  return 0;
}

/* OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP, OBJ_DC or OBJ_MEMDC; 0 for
 * anything else. */
DWORD GetObjectType(HGDIOBJ h) {
  Object *obj = FindObject(h);
  if (!obj) return 0;
  if (std::holds_alternative<Pen>(*obj)) return OBJ_PEN;
  if (std::holds_alternative<Brush>(*obj)) return OBJ_BRUSH;
  if (std::holds_alternative<Font>(*obj)) return OBJ_FONT;
  if (std::holds_alternative<Bitmap>(*obj)) return OBJ_BITMAP;
  if (auto *dc = std::get_if<Dc>(obj)) return dc->kind == Dc::Kind::Memory ? OBJ_MEMDC : OBJ_DC;
  return 0;
}

BOOL DeleteObject(HGDIOBJ hObject) {
  Object *obj = FindObject(hObject);
  if (!obj || std::holds_alternative<Icon>(*obj) || std::holds_alternative<Dc>(*obj)) return FALSE;
  if (IsStock(hObject)) return TRUE;
  if (IsSelected(hObject)) return FALSE;
  return RemoveObject(hObject) ? TRUE : FALSE;
}

/* A system colour; 0 for an unknown index. */
DWORD GetSysColor(int nIndex) {
  nIndex &= ~0x40000000; /* the handheld's index flag */
  if (nIndex < 0 || nIndex >= kSysColorCount) return 0;
  return kSysColors[nIndex];
}

/* The shared brush of a system colour, not to be deleted; NULL for an
 * unknown index. */
HBRUSH GetSysColorBrush(int nIndex) {
  nIndex &= ~0x40000000;
  if (nIndex < 0 || nIndex >= kSysColorCount) return nullptr;
  return (HBRUSH)Stocks().sysBrushes[nIndex];
}
