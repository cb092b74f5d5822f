/*
 * Drawing: rectangles, lines, pixels, block transfers and icons. Lines
 * follow the platform's rule that a segment leaves out its last point;
 * rectangles leave out their right and bottom edges.
 */
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "gdi/gdi.h"

namespace plat::gdi {
namespace {

constexpr int kDashOn = 18, kDashOff = 6;

struct Stroke {
  Target target;
  Pen pen;
  int step = 0; /* along a dashed line */
};

/* The same for a block of w x h at (x, y). */
RECT ReachBlock(const Target &t, int x, int y, int w, int h) {
  return Reach(t, x, y, (long long)x + std::max(0, w), (long long)y + std::max(0, h));
}

/* Puts the pen down at a point: a square of the pen's width round it. */
void Dab(Stroke &s, int x, int y) {
  if (s.pen.style == PS_DASH && (s.step++ % (kDashOn + kDashOff)) >= kDashOn) return;
  uint32_t px = PixelOf(s.pen.color);
  if (s.pen.width <= 1) {
    Plot(s.target, x, y, px);
    return;
  }
  long long lo = -(s.pen.width - 1) / 2, hi = lo + s.pen.width;
  Fill(s.target, Reach(s.target, x + lo, y + lo, x + hi, y + hi), px);
}

/* Bresenham from (x0, y0) towards (x1, y1), leaving out (x1, y1). A solid
 * segment that cannot reach the clip is skipped, and a level or upright one
 * is filled at once: the same pixels without the walk. */
void Segment(Stroke &s, int x0, int y0, int x1, int y1) {
  if (s.pen.style != PS_DASH) {
    long long lo = -(s.pen.width - 1) / 2, hi = lo + s.pen.width;
    RECT near = Reach(s.target, std::min(x0, x1) + lo, std::min(y0, y1) + lo, std::max(x0, x1) + hi,
                      std::max(y0, y1) + hi);
    if (IsRectEmpty(&near)) return;
    if (x0 == x1 || y0 == y1) {
      if (x0 == x1 && y0 == y1) return;
      /* The points from the start up to the one before the end. */
      long long ax = x0, bx = x1, ay = y0, by = y1;
      if (y0 == y1) bx += x0 < x1 ? -1 : 1;
      if (x0 == x1) by += y0 < y1 ? -1 : 1;
      RECT strip = Reach(s.target, std::min(ax, bx) + lo, std::min(ay, by) + lo, std::max(ax, bx) + hi,
                         std::max(ay, by) + hi);
      Fill(s.target, strip, PixelOf(s.pen.color));
      return;
    }
  }
  long long dx = std::llabs((long long)x1 - x0), dy = -std::llabs((long long)y1 - y0);
  int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  long long err = dx + dy;
  while (x0 != x1 || y0 != y1) {
    Dab(s, x0, y0);
    long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

/* A stroke with the DC's pen; false when there is no DC or nothing to draw
 * with (the null pen). */
bool StartStroke(HDC hdc, Stroke *s) {
  Dc *dc = FindAs<Dc>(hdc);
  const Pen *pen = dc ? FindAs<Pen>(dc->pen) : nullptr;
  if (!pen || !TargetOf(hdc, &s->target)) return false;
  s->pen = *pen;
  return s->pen.style != PS_NULL;
}

/* Edge colours of DrawEdge: outer then inner ring, top-left and
 * bottom-right. */
void EdgeRing(Target &t, const RECT &r, int lt, int rb) {
  uint32_t a = PixelOf(GetSysColor(lt)), b = PixelOf(GetSysColor(rb));
  Fill(t, RECT{r.left, r.top, r.right - 1, r.top + 1}, a);
  Fill(t, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, a);
  Fill(t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, b);
  Fill(t, RECT{r.right - 1, r.top, r.right, r.bottom}, b);
}

/* The result of a raster operation on source, destination and pattern;
 * false for an operation this platform does not do. */
bool Rop(DWORD rop, uint32_t s, uint32_t d, uint32_t p, uint32_t *out) {
  switch (rop) {
    case SRCCOPY: *out = s; break;
    case SRCPAINT: *out = s | d; break;
    case SRCAND: *out = s & d; break;
    case SRCINVERT: *out = s ^ d; break;
    case NOTSRCCOPY: *out = ~s; break;
    case DSTINVERT: *out = ~d; break;
    case PATCOPY: *out = p; break;
    case PATINVERT: *out = p ^ d; break;
    case BLACKNESS: *out = 0; break;
    case WHITENESS: *out = 0xFFFFFF; break;
    default: return false;
  }
  *out &= 0xFFFFFF;
  return true;
}

bool UsesSource(DWORD rop) {
  return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT || rop == NOTSRCCOPY;
}

/* Applies rop over a logical area of the destination; src holds the source
 * pixel of each (row by row over area), nullopt where the source has none,
 * or is empty for an operation without a source. */
void Blit(Target &t, const RECT &area, const std::vector<std::optional<uint32_t>> &src, uint32_t pattern,
          DWORD rop) {
  int w = area.right - area.left;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      size_t k = (size_t)(y - area.top) * w + (x - area.left);
      if (!src.empty() && !src[k]) continue;
      POINT p = OnSurface(t, x, y);
      if (!Visible(t, p.x, p.y)) continue;
      uint32_t &d = t.surface->pixels[(size_t)p.y * t.surface->width + p.x];
      Rop(rop, src.empty() ? 0 : *src[k], d, pattern, &d);
    }
  }
}

}  // namespace
}  // namespace plat::gdi

using namespace plat::gdi;

/* Fills a rectangle (right and bottom left out) with a brush or a
 * COLOR_* + 1 value. Nonzero on success, 0 for no DC or no brush. */
int FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
  const Brush *brush = BrushOf(hbr);
  Target t;
  if (!lprc || !brush || !TargetOf(hDC, &t)) return 0;
  if (brush->style == BS_SOLID) Fill(t, *lprc, PixelOf(brush->color));
  Touch(t);
  return 1;
}

/* A one-pixel frame just inside the rectangle, in the brush's colour. */
int FrameRect(HDC hDC, const RECT *lprc, HBRUSH hbr) {
  const Brush *brush = BrushOf(hbr);
  Target t;
  if (!lprc || !brush || !TargetOf(hDC, &t)) return 0;
  const RECT &r = *lprc;
  if (brush->style == BS_SOLID && r.left < r.right && r.top < r.bottom) {
    uint32_t px = PixelOf(brush->color);
    Fill(t, RECT{r.left, r.top, r.right, r.top + 1}, px);
    Fill(t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, px);
    Fill(t, RECT{r.left, r.top, r.left + 1, r.bottom}, px);
    Fill(t, RECT{r.right - 1, r.top, r.right, r.bottom}, px);
  }
  Touch(t);
  return 1;
}

/* Draws the raised or sunken 3-D edges of a rectangle in the system
 * colours (the whole rectangle; the sides of grfFlags are not told apart). */
BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT) {
  Target t;
  if (!qrc || !TargetOf(hdc, &t)) return FALSE;
  RECT r = *qrc;
  if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
    if (edge & BDR_RAISEDOUTER)
      EdgeRing(t, r, COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    else
      EdgeRing(t, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  if (edge & BDR_RAISEDINNER) EdgeRing(t, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  if (edge & BDR_SUNKENINNER) EdgeRing(t, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  Touch(t);
  return TRUE;
}

/* Inverts every other pixel along the inside of the rectangle; drawing it
 * twice takes it away. */
BOOL DrawFocusRect(HDC hDC, const RECT *lprc) {
  Target t;
  if (!lprc || !TargetOf(hDC, &t)) return FALSE;
  const RECT &r = *lprc;
  RECT reach = Reach(t, r.left, r.top, r.right, r.bottom);
  if (IsRectEmpty(&reach)) return TRUE;
  auto flip = [&](int x, int y) {
    POINT p = OnSurface(t, x, y);
    if (Visible(t, p.x, p.y)) t.surface->pixels[(size_t)p.y * t.surface->width + p.x] ^= 0xFFFFFF;
  };
  /* Every other pixel from the corner, starting at the first one in reach. */
  const long long left = r.left, top = r.top, right = (long long)r.right - 1, bottom = (long long)r.bottom - 1;
  auto first = [](long long from, long long start) { return from + ((std::max(0LL, start - from) + 1) & ~1LL); };
  for (long long x = first(left, reach.left); x < reach.right; x += 2) {
    flip((int)x, r.top);
    if (bottom > top) flip((int)x, (int)bottom);
  }
  for (long long y = first(top, std::max<long long>(reach.top, top + 2)); y < std::min<long long>(reach.bottom, bottom);
       y += 2) {
    flip(r.left, (int)y);
    if (right > left) flip((int)right, (int)y);
  }
  Touch(t);
  return TRUE;
}

/* Sets a pixel; returns the colour set, or CLR_INVALID outside the DC's
 * visible area or for no DC. */
COLORREF SetPixel(HDC hdc, int X, int Y, COLORREF crColor) {
  Target t;
  if (!TargetOf(hdc, &t)) return CLR_INVALID;
  POINT p = OnSurface(t, X, Y);
  if (!Visible(t, p.x, p.y)) return CLR_INVALID;
  Plot(t, X, Y, PixelOf(crColor));
  Touch(t);
  return crColor & 0x00FFFFFF;
}

/* The colour of a pixel; CLR_INVALID outside the DC's visible area. */
COLORREF GetPixel(HDC hdc, int nXPos, int nYPos) {
  Target t;
  if (!TargetOf(hdc, &t)) return CLR_INVALID;
  POINT p = OnSurface(t, nXPos, nYPos);
  if (!Visible(t, p.x, p.y)) return CLR_INVALID;
  return ColorOf(t.surface->pixels[(size_t)p.y * t.surface->width + p.x]);
}

BOOL MoveToEx(HDC hdc, int X, int Y, LPPOINT lpPoint) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return FALSE;
  if (lpPoint) *lpPoint = dc->position;
  dc->position = POINT{X, Y};
  return TRUE;
}

/* A line with the pen from the current position to (but not including) the
 * end point, which becomes the current position. */
BOOL LineTo(HDC hdc, int nXEnd, int nYEnd) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return FALSE;
  POINT from = dc->position;
  dc->position = POINT{nXEnd, nYEnd};
  Stroke s;
  if (StartStroke(hdc, &s)) {
    Segment(s, from.x, from.y, nXEnd, nYEnd);
    Touch(s.target);
  }
  return TRUE;
}

/* Lines with the pen through the points; each segment leaves out its end,
 * so the last point is not drawn. FALSE for no DC, no points or fewer than
 * two. */
BOOL Polyline(HDC hdc, const POINT *lppt, int cPoints) {
  if (!lppt || cPoints < 2 || !FindAs<Dc>(hdc)) return FALSE;
  Stroke s;
  if (StartStroke(hdc, &s)) {
    for (int i = 1; i < cPoints; ++i) Segment(s, lppt[i - 1].x, lppt[i - 1].y, lppt[i].x, lppt[i].y);
    Touch(s.target);
  }
  return TRUE;
}

/* A rectangle outlined with the pen and filled with the brush, right and
 * bottom left out. With the null pen the fill stops one pixel short of the
 * right and bottom too, as on the platform. */
BOOL Rectangle(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
  Dc *dc = FindAs<Dc>(hdc);
  Target t;
  if (!dc || !TargetOf(hdc, &t)) return FALSE;
  int l = std::min(nLeftRect, nRightRect), r = std::max(nLeftRect, nRightRect);
  int top = std::min(nTopRect, nBottomRect), b = std::max(nTopRect, nBottomRect);
  const Pen *pen = FindAs<Pen>(dc->pen);
  const Brush *brush = BrushOf((HBRUSH)dc->brush);
  bool outline = pen && pen->style != PS_NULL;
  if (brush && brush->style == BS_SOLID) {
    int in = outline ? 1 : 0;
    Fill(t, Reach(t, (long long)l + in, (long long)top + in, (long long)r - 1, (long long)b - 1), PixelOf(brush->color));
  }
  if (outline && (long long)r - l >= 2 && (long long)b - top >= 2) {
    POINT frame[5] = {{l, top}, {r - 1, top}, {r - 1, b - 1}, {l, b - 1}, {l, top}};
    Polyline(hdc, frame, 5);
  }
  Touch(t);
  return TRUE;
}

/* Fills a rectangle with the brush through a raster operation that uses no
 * source (PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS). */
BOOL PatBlt(HDC hdc, int nXLeft, int nYLeft, int nWidth, int nHeight, DWORD dwRop) {
  Dc *dc = FindAs<Dc>(hdc);
  Target t;
  uint32_t probe;
  if (!dc || UsesSource(dwRop) || !Rop(dwRop, 0, 0, 0, &probe) || !TargetOf(hdc, &t)) return FALSE;
  const Brush *brush = BrushOf((HBRUSH)dc->brush);
  if ((dwRop == PATCOPY || dwRop == PATINVERT) && (!brush || brush->style != BS_SOLID)) return TRUE;
  uint32_t pattern = brush ? PixelOf(brush->color) : 0;
  Blit(t, ReachBlock(t, nXLeft, nYLeft, nWidth, nHeight), {}, pattern, dwRop);
  Touch(t);
  return TRUE;
}

/* Copies a block from one DC to another through a raster operation
 * (SRCCOPY, SRCPAINT, SRCAND, SRCINVERT, NOTSRCCOPY, or one of PatBlt's).
 * Pixels the source lacks are left alone. FALSE for no DC or another
 * operation. */
BOOL BitBlt(HDC hdcDest, int nXDest, int nYDest, int nWidth, int nHeight, HDC hdcSrc, int nXSrc,
            int nYSrc, DWORD dwRop) {
  if (!UsesSource(dwRop)) return PatBlt(hdcDest, nXDest, nYDest, nWidth, nHeight, dwRop);
  Target dst, src;
  if (!TargetOf(hdcDest, &dst) || !TargetOf(hdcSrc, &src)) return FALSE;
  RECT area = ReachBlock(dst, nXDest, nYDest, nWidth, nHeight);
  std::vector<std::optional<uint32_t>> block;
  for (LONG y = area.top; y < area.bottom; ++y) {
    for (LONG x = area.left; x < area.right; ++x) {
      long long sx = (long long)nXSrc + (x - nXDest) + src.origin.x;
      long long sy = (long long)nYSrc + (y - nYDest) + src.origin.y;
      bool inside = sx >= 0 && sy >= 0 && sx < src.surface->width && sy < src.surface->height;
      block.push_back(inside ? std::optional<uint32_t>(src.surface->pixels[(size_t)sy * src.surface->width + sx])
                             : std::nullopt);
    }
  }
  Blit(dst, area, block, 0, dwRop);
  Touch(dst);
  return TRUE;
}

/* Draws an icon at its own size; its mask lets what is below show. */
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  const Icon *icon = FindAs<Icon>(hIcon);
  Target t;
  if (!icon || !TargetOf(hDC, &t)) return FALSE;
  const Bitmap &im = icon->image;
  for (int y = 0; y < im.height; ++y) {
    for (int x = 0; x < im.width; ++x) {
      size_t k = (size_t)y * im.width + x;
      if (!icon->mask[k]) Plot(t, X + x, Y + y, im.pixels[k]);
    }
  }
  Touch(t);
  return TRUE;
}
