/*
 * Drawing targets: the surface a DC draws on, its clipping rectangles and
 * the pixel operations every drawing call goes through.
 */
#include <algorithm>

#include "gdi/gdi.h"
#include "user/user.h"

namespace plat::gdi {
namespace {

/* A logical coordinate moved by an origin onto the surface, kept far from
 * the ends of int so that nothing overflows later. */
LONG Move(LONG v, LONG by) {
  return (LONG)std::clamp<long long>((long long)v + by, INT32_MIN / 2, INT32_MAX / 2);
}

RECT ToSurface(const Target &t, const RECT &logical) {
  return RECT{Move(logical.left, t.origin.x), Move(logical.top, t.origin.y), Move(logical.right, t.origin.x),
              Move(logical.bottom, t.origin.y)};
}

}  // namespace

POINT OnSurface(const Target &t, int x, int y) { return POINT{Move(x, t.origin.x), Move(y, t.origin.y)}; }

bool TargetOf(HDC hdc, Target *target) {
  Dc *dc = FindAs<Dc>(hdc);
  if (!dc) return false;
  Target t;
  t.origin = dc->origin;
  if (dc->kind == Dc::Kind::Window) {
    t.surface = &Screen();
    t.clip = dc->clip;
  } else {
    t.surface = FindAs<Bitmap>(dc->bitmap);
    if (!t.surface) return false;
    t.clip = {RECT{0, 0, t.surface->width, t.surface->height}};
  }
  *target = std::move(t);
  return true;
}

void Restrict(Target &t, const RECT &logical) {
  RECT r = ToSurface(t, logical);
  std::vector<RECT> kept;
  for (const RECT &c : t.clip) {
    RECT both;
    if (IntersectRect(&both, &c, &r)) kept.push_back(both);
  }
  t.clip = std::move(kept);
}

bool Visible(const Target &t, int sx, int sy) {
  for (const RECT &c : t.clip) {
    if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom) return true;
  }
  return false;
}

RECT Reach(const Target &t, long long left, long long top, long long right, long long bottom) {
  if (t.clip.empty()) return RECT{};
  RECT box = t.clip.front();
  for (const RECT &c : t.clip) {
    box.left = std::min(box.left, c.left);
    box.top = std::min(box.top, c.top);
    box.right = std::max(box.right, c.right);
    box.bottom = std::max(box.bottom, c.bottom);
  }
  long long l = std::max<long long>(left, box.left - t.origin.x);
  long long tp = std::max<long long>(top, box.top - t.origin.y);
  long long r = std::min<long long>(right, box.right - t.origin.x);
  long long b = std::min<long long>(bottom, box.bottom - t.origin.y);
  if (l >= r || tp >= b) return RECT{};
  return RECT{(LONG)l, (LONG)tp, (LONG)r, (LONG)b};
}

void Fill(Target &t, const RECT &logical, uint32_t px) {
  RECT r = ToSurface(t, logical);
  for (const RECT &c : t.clip) {
    RECT both;
    if (!IntersectRect(&both, &c, &r)) continue;
    for (LONG y = both.top; y < both.bottom; ++y) {
      uint32_t *row = &t.surface->pixels[(size_t)y * t.surface->width];
      std::fill(row + both.left, row + both.right, px);
    }
  }
}

void Plot(Target &t, int x, int y, uint32_t px) {
  int sx = Move(x, t.origin.x), sy = Move(y, t.origin.y);
  if (Visible(t, sx, sy)) t.surface->pixels[(size_t)sy * t.surface->width + sx] = px;
}

void Blend(Target &t, int x, int y, uint32_t px, unsigned alpha) {
  int sx = Move(x, t.origin.x), sy = Move(y, t.origin.y);
  if (alpha == 0 || !Visible(t, sx, sy)) return;
  uint32_t &dst = t.surface->pixels[(size_t)sy * t.surface->width + sx];
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned d = (dst >> shift) & 0xFF, s = (px >> shift) & 0xFF;
    unsigned v = (s * alpha + d * (255 - alpha) + 127) / 255;
    out |= v << shift;
  }
  dst = out;
}

void Touch(const Target &t) {
  if (t.surface == &Screen() && !t.clip.empty()) ScreenChanged();
}

void Subtract(std::vector<RECT> &parts, const RECT &hole) {
  std::vector<RECT> out;
  for (const RECT &r : parts) {
    RECT cut;
    if (!IntersectRect(&cut, &r, &hole)) {
      out.push_back(r);
      continue;
    }
    /* Up to four pieces round the cut: above, below, left, right. */
    if (r.top < cut.top) out.push_back(RECT{r.left, r.top, r.right, cut.top});
    if (cut.bottom < r.bottom) out.push_back(RECT{r.left, cut.bottom, r.right, r.bottom});
    if (r.left < cut.left) out.push_back(RECT{r.left, cut.top, cut.left, cut.bottom});
    if (cut.right < r.right) out.push_back(RECT{cut.right, cut.top, r.right, cut.bottom});
  }
  parts = std::move(out);
}

std::vector<RECT> VisibleParts(HWND hwnd, bool client) {
  using user::FromHandle;
  user::Window *w = FromHandle(hwnd);
  if (!w || !IsWindowVisible(hwnd)) return {};

  RECT area = user::ScreenRect(*w);
  if (client) {
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    area = user::ClientArea(*w);
    OffsetRect(&area, origin.x, origin.y);
  }
  RECT screen{0, kNavBarHeight, kScreenWidth, kScreenHeight};
  IntersectRect(&area, &area, &screen);
  for (user::Window *a = FromHandle(w->parent); a && IsRectEmpty(&area) == FALSE; a = FromHandle(a->parent)) {
    POINT origin{0, 0};
    ClientToScreen(a->hwnd, &origin);
    RECT inner = user::ClientArea(*a);
    OffsetRect(&inner, origin.x, origin.y);
    IntersectRect(&area, &area, &inner);
  }
  if (IsRectEmpty(&area)) return {};

  std::vector<RECT> parts{area};
  HWND top = user::TopLevelOf(hwnd);
  for (HWND above : user::TopLevelWindows()) {
    if (above == top) break;
    user::Window *a = FromHandle(above);
    if (a && (a->style & WS_VISIBLE)) Subtract(parts, user::ScreenRect(*a));
  }
  if (client && (w->style & WS_CLIPCHILDREN)) {
    for (HWND kid : w->children) {
      user::Window *k = FromHandle(kid);
      if (k && (k->style & WS_VISIBLE)) Subtract(parts, user::ScreenRect(*k));
    }
  }
  return parts;
}

}  // namespace plat::gdi
