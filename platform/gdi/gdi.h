/*
 * gdi/gdi.h - the inside of the graphics layer: the screen, drawing targets
 * with their clipping, colours, and the hooks into the window manager.
 *
 * Everything here runs on the UI thread.
 */
#ifndef TONBROOK_PLATFORM_GDI_GDI_H
#define TONBROOK_PLATFORM_GDI_GDI_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "gdi/gdiobj.h"

namespace plat::gdi {

/* The handheld's screen: 240 x 320, with the navigation bar on top. */
constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr int kNavBarHeight = 26;

/* The framebuffer every window DC draws into. */
Bitmap &Screen();

/* Counts the changes of the framebuffer, so a host repaints only when it
 * moved on. */
uint64_t ScreenVersion();
void ScreenChanged();

/* Draws the navigation bar with the title of the active window, when the
 * title or the active window changed since it was last drawn. */
void PaintNavigationBar();

/* Fills the screen with black and forgets the bar: a fresh start. */
void ResetScreen();

/* Installs the paint hooks of the window manager (the DC of BeginPaint, the
 * background erase, the default control colours). A host's start-up calls
 * it; calling it again changes nothing. */
void Install();

/* Pixels are 0x00RRGGBB, COLORREFs 0x00BBGGRR. */
inline uint32_t PixelOf(COLORREF c) {
  return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}
inline COLORREF ColorOf(uint32_t px) { return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF); }

/* The stock object of GetStockObject's index, or nullptr. */
HGDIOBJ Stock(int index);

/* The brush behind hbr, including the COLOR_* + 1 values that FillRect and
 * window classes take for system colours; nullptr for no brush. */
const Brush *BrushOf(HBRUSH hbr);

/* Where a DC draws: a surface, the parts of it that may change (surface
 * coordinates), and where logical (0, 0) lies. */
struct Target {
  Bitmap *surface = nullptr;
  std::vector<RECT> clip;
  POINT origin{};
};

/* The target of a DC; false when hdc is no DC or draws nowhere. */
bool TargetOf(HDC hdc, Target *target);

/* Narrows the clip to a logical rectangle. */
void Restrict(Target &t, const RECT &logical);

/* A logical point on the surface (kept far from the ends of int). */
POINT OnSurface(const Target &t, int x, int y);

/* Whether a surface point may change. */
bool Visible(const Target &t, int sx, int sy);

/* The part of a logical rectangle (right and bottom exclusive) that the
 * clip can reach, in logical coordinates; empty when none. */
RECT Reach(const Target &t, long long left, long long top, long long right, long long bottom);

/* Fills a logical rectangle (right and bottom exclusive). */
void Fill(Target &t, const RECT &logical, uint32_t px);

/* Sets, or blends with coverage alpha (0..255), one logical pixel. */
void Plot(Target &t, int x, int y, uint32_t px);
void Blend(Target &t, int x, int y, uint32_t px, unsigned alpha);

/* Tells the host the screen changed when t drew on it. */
void Touch(const Target &t);

/* The visible parts of a window on the screen (surface coordinates): its
 * client area (or the whole window when !client) inside its ancestors,
 * below the navigation bar, without the top-level windows above it and,
 * with WS_CLIPCHILDREN, without its visible children. Empty when hidden. */
std::vector<RECT> VisibleParts(HWND hwnd, bool client);

/* Cuts hole out of every rectangle of parts. */
void Subtract(std::vector<RECT> &parts, const RECT &hole);

/* Creates a DC for a window's client area (or the whole window), clipped
 * to paint (client coordinates) when given. NULL for no window. */
HDC MakeWindowDc(HWND hwnd, bool client, const RECT *paint);

/* Draws a window's border (WS_BORDER, WS_EX_CLIENTEDGE) on the screen. */
void PaintNonClient(HWND hwnd);

}  // namespace plat::gdi

#endif
