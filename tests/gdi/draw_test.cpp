#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "common/wintest.h"
#include "res/module.h"
#include "resource.h"

namespace {

using Draw = wintest::Canvas;
using Objects = wintest::Screen;
using namespace wintest;

const COLORREF kOrange = RGB(255, 100, 0);
const COLORREF kGrey = RGB(100, 100, 100);

TEST_F(Draw, FillRectCoversItsRectangleInClientCoordinatesAndNoMore) {
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT rc{10, 10, 20, 15};
  EXPECT_NE(FillRect(m_hdc, &rc, red), 0);
  EXPECT_EQ(CountNot(RGB(255, 0, 0), RECT{10, 36, 20, 41}), 0);  // client (0,0) is screen (0,26)
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{0, 0, 240, 36}), 0);
  EXPECT_EQ(At(20, 36), RGB(0, 0, 0));
  EXPECT_EQ(At(10, 41), RGB(0, 0, 0));

  // A system colour as COLOR_* + 1, and a fill far beyond the window stops
  // at its edges, below the navigation bar.
  RECT all{-50, -50, 500, 500};
  FillRect(m_hdc, &all, (HBRUSH)(COLOR_HIGHLIGHT + 1));
  EXPECT_EQ(CountNot(GetSysColor(COLOR_HIGHLIGHT), RECT{0, 26, 240, 320}), 0);
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{0, 0, 240, 26}), 0);
  EXPECT_EQ(ReleaseDC(m_hwnd, m_hdc), 1);
  EXPECT_EQ(ReleaseDC(m_hwnd, m_hdc), 0);
  DeleteObject(red);
}

TEST_F(Draw, AClosedPolylineFrameLiesExactlyOnItsCorners) {
  RECT client{0, 0, 240, 294};
  HBRUSH grey = CreateSolidBrush(kGrey);
  FillRect(m_hdc, &client, grey);
  HPEN pen = CreatePen(PS_SOLID, 1, kOrange);
  HGDIOBJ old = SelectObject(m_hdc, pen);
  EXPECT_EQ(old, GetStockObject(BLACK_PEN));
  // The frame round the first row of the main window: (4, 15) to (85, 41).
  POINT frame[5] = {{4, 15}, {85, 15}, {85, 41}, {4, 41}, {4, 15}};
  EXPECT_TRUE(Polyline(m_hdc, frame, 5));
  const int top = 15 + 26, bottom = 41 + 26;
  for (int x = 4; x <= 85; ++x) {
    EXPECT_EQ(At(x, top), kOrange) << x;
    EXPECT_EQ(At(x, bottom), kOrange) << x;
  }
  for (int y = top; y <= bottom; ++y) {
    EXPECT_EQ(At(4, y), kOrange) << y;
    EXPECT_EQ(At(85, y), kOrange) << y;
  }
  EXPECT_EQ(CountNot(kGrey, RECT{5, top + 1, 85, bottom}), 0);
  EXPECT_EQ(At(86, top), kGrey);
  EXPECT_EQ(At(3, top), kGrey);
  EXPECT_EQ(At(4, top - 1), kGrey);
  EXPECT_EQ(At(4, bottom + 1), kGrey);
  EXPECT_EQ(SelectObject(m_hdc, old), pen);
  ReleaseDC(m_hwnd, m_hdc);
  DeleteObject(pen);
  DeleteObject(grey);
}

TEST_F(Draw, ASegmentLeavesOutItsLastPointAndFollowsBresenham) {
  MoveToEx(m_hdc, 0, 0, nullptr);
  EXPECT_TRUE(LineTo(m_hdc, 5, 2));
  // Bresenham from (0,0) to (5,2): (0,0) (1,0) (2,1) (3,1) (4,2), not (5,2).
  std::vector<POINT> on{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
  for (POINT p : on) EXPECT_EQ(GetPixel(m_hdc, p.x, p.y), RGB(0, 0, 0));
  Paper(RGB(255, 255, 255));
  MoveToEx(m_hdc, 0, 0, nullptr);
  LineTo(m_hdc, 5, 2);
  for (POINT p : on) EXPECT_EQ(GetPixel(m_hdc, p.x, p.y), RGB(0, 0, 0)) << p.x;
  EXPECT_EQ(GetPixel(m_hdc, 5, 2), RGB(255, 255, 255));
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 5);
}

TEST_F(Draw, RectangleOutlinesWithThePenAndFillsWithTheBrushRightAndBottomExclusive) {
  Paper(RGB(255, 255, 255));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  SelectObject(m_hdc, blue);
  EXPECT_TRUE(Rectangle(m_hdc, 10, 10, 20, 16));
  EXPECT_EQ(At(10, 36), RGB(0, 0, 0));
  EXPECT_EQ(At(19, 41), RGB(0, 0, 0));
  EXPECT_EQ(At(20, 41), RGB(255, 255, 255));
  EXPECT_EQ(At(19, 42), RGB(255, 255, 255));
  EXPECT_EQ(CountNot(RGB(0, 0, 255), RECT{11, 37, 19, 41}), 0);
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 10 * 6);

  // The null pen fills one pixel short of the right and bottom.
  Paper(RGB(255, 255, 255));
  SelectObject(m_hdc, GetStockObject(NULL_PEN));
  Rectangle(m_hdc, 10, 10, 20, 16);
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 9 * 5);
  EXPECT_EQ(CountNot(RGB(0, 0, 255), RECT{10, 36, 19, 41}), 0);

  // The hollow brush leaves the inside alone.
  Paper(RGB(255, 255, 255));
  SelectObject(m_hdc, GetStockObject(BLACK_PEN));
  SelectObject(m_hdc, GetStockObject(HOLLOW_BRUSH));
  Rectangle(m_hdc, 10, 10, 20, 16);
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 2 * 10 + 2 * 4);
  // One as large as int allows: only its inside shows, at once.
  EXPECT_TRUE(Rectangle(m_hdc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  POINT far[3] = {{INT32_MIN, 5}, {INT32_MAX, 5}, {INT32_MAX, INT32_MIN}};
  EXPECT_TRUE(Polyline(m_hdc, far, 3));
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{0, 31, 240, 32}), 0);
  EXPECT_EQ(SelectObject(m_hdc, GetStockObject(WHITE_BRUSH)), GetStockObject(NULL_BRUSH));
  ReleaseDC(m_hwnd, m_hdc);
  DeleteObject(blue);
}

TEST_F(Draw, EllipsesAndPolygonsFillThePixelsWhoseCentresLieInside) {
  Paper(RGB(255, 255, 255));
  SelectObject(m_hdc, GetStockObject(BLACK_BRUSH));
  SelectObject(m_hdc, GetStockObject(NULL_PEN));
  EXPECT_TRUE(Ellipse(m_hdc, 0, 0, 12, 12));  // a circle 12 across, on screen at (0, 26)
  EXPECT_EQ(InkBounds(RGB(255, 255, 255)), (RECT{0, 26, 12, 38}));
  EXPECT_EQ(At(0, 26), RGB(255, 255, 255));  // the corners stay
  EXPECT_EQ(At(11, 37), RGB(255, 255, 255));
  for (int y = 26; y < 38; ++y)  // symmetric about both middles
    for (int x = 0; x < 12; ++x) {
      EXPECT_EQ(At(x, y), At(11 - x, y));
      EXPECT_EQ(At(x, y), At(x, 26 + 37 - y));
    }
  // With a pen the rim is the pen's, the inside the brush's.
  SelectObject(m_hdc, GetStockObject(WHITE_BRUSH));
  SelectObject(m_hdc, GetStockObject(BLACK_PEN));
  Paper(RGB(0, 255, 0));
  Ellipse(m_hdc, 0, 0, 12, 12);
  EXPECT_EQ(At(0, 32), RGB(0, 0, 0));
  EXPECT_EQ(At(6, 32), RGB(255, 255, 255));

  // A triangle pointing up, as on an up arrow: rows of 1, 3, 5, 7 pixels.
  Paper(RGB(255, 255, 255));
  SelectObject(m_hdc, GetStockObject(BLACK_BRUSH));
  SelectObject(m_hdc, GetStockObject(NULL_PEN));
  POINT up[3] = {{4, 0}, {8, 4}, {0, 4}};
  EXPECT_TRUE(Polygon(m_hdc, up, 3));
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{0, 26 + row, 240, 27 + row}), 2 * row + 1) << row;
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 16);
  EXPECT_FALSE(Polygon(m_hdc, up, 1));
}

TEST_F(Draw, AFocusRectangleIsDottedAndTakenAwayByDrawingItAgain) {
  Paper(RGB(255, 255, 255));
  RECT rc{10, 10, 20, 16};
  EXPECT_TRUE(DrawFocusRect(m_hdc, &rc));
  EXPECT_EQ(At(10, 36), RGB(0, 0, 0));
  EXPECT_EQ(At(11, 36), RGB(255, 255, 255));
  EXPECT_EQ(At(12, 41), RGB(0, 0, 0));
  EXPECT_EQ(At(10, 38), RGB(0, 0, 0));
  EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{11, 37, 19, 41}), 0);
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 5 + 5 + 2 + 2);  // rows 0 and 5, then rows 2 and 4 at both sides
  DrawFocusRect(m_hdc, &rc);
  EXPECT_EQ(CountNot(RGB(255, 255, 255)), 0);
}

TEST_F(Draw, SetPixelAndGetPixelInsideAndOutsideTheWindow) {
  EXPECT_EQ(SetPixel(m_hdc, 3, 4, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(At(3, 30), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(m_hdc, 3, 4), RGB(1, 2, 3));
  EXPECT_EQ(SetPixel(m_hdc, 3, -1, RGB(1, 2, 3)), CLR_INVALID);  // on the navigation bar
  EXPECT_EQ(GetPixel(m_hdc, 240, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(m_hdc, INT32_MAX, INT32_MIN, 0), CLR_INVALID);
  RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_NE(FillRect(m_hdc, &huge, (HBRUSH)GetStockObject(WHITE_BRUSH)), 0);
  EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{0, 26, 240, 320}), 0);
  EXPECT_TRUE(ExtTextOutW(m_hdc, INT32_MAX - 5, 0, ETO_CLIPPED | ETO_OPAQUE, &huge, u"x", 1, nullptr));
}

/* The colours of a 4-bit BMP file, 0x00RRGGBB, rows top-down. */
std::vector<uint32_t> ReadBmp4(const char *path, int *w, int *h) {
  std::vector<uint32_t> out;
  FILE *f = std::fopen(path, "rb");
  if (!f) return out;
  std::vector<unsigned char> b(1 << 16);
  b.resize(std::fread(b.data(), 1, b.size(), f));
  std::fclose(f);
  auto u32 = [&](size_t o) { return (uint32_t)(b[o] | b[o + 1] << 8 | b[o + 2] << 16 | b[o + 3] << 24); };
  uint32_t bits = u32(10), header = u32(14);
  *w = (int)u32(18);
  *h = (int)u32(22);
  if ((b[28] | b[29] << 8) != 4) return out;
  size_t stride = ((size_t)*w * 4 + 31) / 32 * 4;
  for (int y = 0; y < *h; ++y) {
    size_t row = bits + (size_t)(*h - 1 - y) * stride;
    for (int x = 0; x < *w; ++x) {
      unsigned i = (b[row + x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
      out.push_back(u32(14 + header + 4 * i) & 0xFFFFFF);
    }
  }
  return out;
}

TEST_F(Draw, AFourBitPictureBlitsWithItsSixteenColourPalette) {
  int w = 0, h = 0;
  std::vector<uint32_t> expected = ReadBmp4(TONBROOK_SINE_BMP, &w, &h);
  ASSERT_EQ(w, 48);
  ASSERT_EQ(h, 25);
  HBITMAP picture = LoadBitmapW(plat::ModuleInstance(), MAKEINTRESOURCE(IDB_SINE));
  ASSERT_NE(picture, nullptr);
  BITMAP info;
  EXPECT_EQ(GetObjectW(picture, sizeof info, &info), (int)sizeof info);
  EXPECT_EQ(info.bmWidth, 48);
  HDC mem = CreateCompatibleDC(m_hdc);
  HGDIOBJ old = SelectObject(mem, picture);
  EXPECT_NE(old, nullptr);
  EXPECT_TRUE(BitBlt(m_hdc, 90, 16, 48, 25, mem, 0, 0, SRCCOPY));
  int wrong = 0;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 48; ++x) wrong += At(90 + x, 42 + y) != plat::gdi::ColorOf(expected[(size_t)y * 48 + x]);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{0, 26, 90, 320}), 0);
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{138, 26, 240, 320}), 0);

  // A bitmap selected into a DC is neither deleted nor selected elsewhere.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, picture), nullptr);
  EXPECT_FALSE(DeleteObject(picture));
  EXPECT_EQ(SelectObject(mem, old), picture);
  EXPECT_TRUE(DeleteObject(picture));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(mem));
}

TEST_F(Draw, AMemoryDcDrawsIntoItsBitmapUntilBlitted) {
  HDC mem = CreateCompatibleDC(m_hdc);
  HBITMAP bm = CreateCompatibleBitmap(m_hdc, 10, 8);
  SelectObject(mem, bm);
  RECT rc{0, 0, 10, 8};
  FillRect(mem, &rc, (HBRUSH)GetStockObject(GRAY_BRUSH));
  SetPixel(mem, 9, 7, RGB(9, 8, 7));
  EXPECT_EQ(GetPixel(mem, 10, 0), CLR_INVALID);
  EXPECT_EQ(CountNot(RGB(0, 0, 0)), 0);  // nothing on the screen yet
  EXPECT_TRUE(BitBlt(m_hdc, 100, 100, 10, 8, mem, 0, 0, SRCCOPY));
  EXPECT_EQ(At(100, 126), RGB(128, 128, 128));
  EXPECT_EQ(At(109, 133), RGB(9, 8, 7));
  EXPECT_EQ(CountNot(RGB(0, 0, 0)), 80);
  // Other operations, and a source that runs off the bitmap.
  EXPECT_TRUE(BitBlt(m_hdc, 100, 100, 10, 8, mem, 0, 0, DSTINVERT));
  EXPECT_EQ(At(100, 126), RGB(127, 127, 127));
  EXPECT_TRUE(BitBlt(m_hdc, 0, 0, 20, 20, mem, 5, 5, SRCCOPY));
  EXPECT_EQ(At(4, 28), RGB(9, 8, 7));
  EXPECT_EQ(At(5, 26), RGB(0, 0, 0));
  EXPECT_FALSE(BitBlt(m_hdc, 0, 0, 1, 1, mem, 0, 0, 0x00123456));
  // Sizes and places far off the surfaces touch only what lies on them.
  Paper(RGB(0, 0, 0));
  EXPECT_TRUE(BitBlt(m_hdc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, mem, 0, 0, SRCCOPY));
  EXPECT_TRUE(BitBlt(m_hdc, 0, 0, INT32_MAX, INT32_MAX, mem, INT32_MAX, INT32_MIN, SRCCOPY));
  EXPECT_TRUE(PatBlt(m_hdc, -5, -5, INT32_MAX, INT32_MAX, WHITENESS));
  EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{0, 26, 240, 320}), 0);
  RECT wide{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_TRUE(DrawFocusRect(m_hdc, &wide));
  EXPECT_FALSE(BitBlt(m_hdc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  DeleteDC(mem);
  DeleteObject(bm);
}

TEST_F(Objects, GiveThePlatformsResultsOnMisuse) {
  EXPECT_EQ(GetStockObject(99), nullptr);
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  EXPECT_EQ(SelectObject(nullptr, GetStockObject(WHITE_BRUSH)), nullptr);
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(mem, (HGDIOBJ)0x12345), nullptr);
  // A stock object survives DeleteObject and is still selectable.
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), (DWORD)OBJ_BRUSH);
  LOGBRUSH lb;
  EXPECT_EQ(GetObjectW(GetStockObject(LTGRAY_BRUSH), sizeof lb, &lb), (int)sizeof lb);
  EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  SelectObject(mem, pen);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(mem));  // a DC goes with DeleteDC
  EXPECT_FALSE(ReleaseDC(nullptr, mem));
  EXPECT_TRUE(DeleteDC(mem));
  EXPECT_FALSE(DeleteDC(mem));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  RECT rc{0, 0, 1, 1};
  EXPECT_EQ(FillRect(nullptr, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH)), 0);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(FillRect(screen, &rc, nullptr), 0);
  POINT one{0, 0};
  EXPECT_FALSE(Polyline(screen, &one, 1));
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
  EXPECT_EQ(SetBkMode(screen, 7), 0);
  EXPECT_EQ(GetObjectW((HGDIOBJ)0x40, 0, nullptr), 0);
  EXPECT_EQ(GetSysColorBrush(1000), nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

}  // namespace
