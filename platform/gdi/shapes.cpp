/*
 * Filled shapes: ellipses and polygons, filled with the brush at the
 * pixels whose centres lie inside and outlined with the pen.
 */
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "gdi/gdi.h"

namespace plat::gdi {
namespace {

/* The DC's pen colour when it draws, and its brush colour when it fills. */
struct Paint {
  std::optional<uint32_t> pen;
  std::optional<uint32_t> brush;
};

bool PaintOf(HDC hdc, Target *t, Paint *paint) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc || !TargetOf(hdc, t)) return false;
  const Pen *pen = FindAs<Pen>(dc->pen);
  const Brush *brush = BrushOf((HBRUSH)dc->brush);
  if (pen && pen->style != PS_NULL) paint->pen = PixelOf(pen->color);
  if (brush && brush->style == BS_SOLID) paint->brush = PixelOf(brush->color);
  return true;
}

}  // namespace
}  // namespace plat::gdi

using namespace plat::gdi;

/* An ellipse in the bounding rectangle (right and bottom left out): the
 * pixels whose centres lie inside, those at its edge in the pen's colour
 * (one pixel wide), the rest in the brush's. */
BOOL Ellipse(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
  Target t;
  Paint paint;
  if (!PaintOf(hdc, &t, &paint)) return FALSE;
  double l = std::min(nLeftRect, nRightRect), r = std::max(nLeftRect, nRightRect);
  double top = std::min(nTopRect, nBottomRect), b = std::max(nTopRect, nBottomRect);
  double cx = (l + r) / 2, cy = (top + b) / 2, rx = (r - l) / 2, ry = (b - top) / 2;
  if (rx <= 0 || ry <= 0) return TRUE;
  auto inside = [&](long long x, long long y) {
    double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
    return u * u + v * v <= 1.0;
  };
  RECT reach = Reach(t, (long long)l - 1, (long long)top - 1, (long long)r + 1, (long long)b + 1);
  for (LONG y = reach.top; y < reach.bottom; ++y) {
    for (LONG x = reach.left; x < reach.right; ++x) {
      if (!inside(x, y)) continue;
      bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
      std::optional<uint32_t> px = edge && paint.pen ? paint.pen : paint.brush;
      if (px) Plot(t, x, y, *px);
    }
  }
  Touch(t);
  return TRUE;
}

/* A closed polygon: the pixels whose centres lie inside (alternate rule)
 * in the brush's colour, then the outline through the points and back to
 * the first with the pen. FALSE for no DC or fewer than two points. */
BOOL Polygon(HDC hdc, const POINT *lpPoints, int nCount) {
  Target t;
  Paint paint;
  if (!lpPoints || nCount < 2 || !PaintOf(hdc, &t, &paint)) return FALSE;
  if (paint.brush) {
    long long top = lpPoints[0].y, bottom = lpPoints[0].y;
    for (int i = 1; i < nCount; ++i) {
      top = std::min<long long>(top, lpPoints[i].y);
      bottom = std::max<long long>(bottom, lpPoints[i].y);
    }
    RECT reach = Reach(t, INT32_MIN, top, INT32_MAX, bottom + 1);
    std::vector<double> cuts;
    for (LONG y = reach.top; y < reach.bottom; ++y) {
      double yc = y + 0.5;
      cuts.clear();
      for (int i = 0; i < nCount; ++i) {
        const POINT &a = lpPoints[i], &b = lpPoints[(i + 1) % nCount];
        if ((a.y <= yc) == (b.y <= yc)) continue;
        cuts.push_back(a.x + (yc - a.y) * ((double)b.x - a.x) / ((double)b.y - a.y));
      }
      std::sort(cuts.begin(), cuts.end());
      for (size_t k = 0; k + 1 < cuts.size(); k += 2) {
        double from = std::clamp(std::ceil(cuts[k] - 0.5), (double)reach.left, (double)reach.right);
        double to = std::clamp(std::ceil(cuts[k + 1] - 0.5), (double)reach.left, (double)reach.right);
        Fill(t, RECT{(LONG)from, y, (LONG)to, y + 1}, *paint.brush);
      }
    }
  }
  if (paint.pen) {
    std::vector<POINT> ring(lpPoints, lpPoints + nCount);
    ring.push_back(lpPoints[0]);
    Polyline(hdc, ring.data(), (int)ring.size());
  }
  Touch(t);
  return TRUE;
}
