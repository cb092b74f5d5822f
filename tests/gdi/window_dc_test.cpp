#include <windows.h>

#include <gtest/gtest.h>

#include "common/wintest.h"
#include "res/module.h"
#include "resource.h"

namespace {

using WindowDc = wintest::Screen;
using namespace wintest;

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

void FillClient(HWND hwnd, HDC hdc, COLORREF c) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH b = CreateSolidBrush(c);
  FillRect(hdc, &rc, b);
  DeleteObject(b);
}

TEST_F(WindowDc, AChildsDcIsClippedToTheChildInsideItsParent) {
  HWND top = Top();
  HWND kid = Child(top, 0, 20, 20, 40, 30);
  HWND grandchild = Child(kid, 0, 30, -5, 30, 30);  // sticks out of kid's right and top
  HDC hdc = GetDC(kid);
  RECT huge{-1000, -1000, 1000, 1000};
  FillRect(hdc, &huge, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{20, 46, 60, 76}));
  ReleaseDC(kid, hdc);

  Paper(RGB(0, 0, 0));
  hdc = GetDC(grandchild);
  FillRect(hdc, &huge, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{50, 46, 60, 71}));
  ReleaseDC(grandchild, hdc);

  // A hidden window's DC draws nothing.
  Paper(RGB(0, 0, 0));
  ShowWindow(kid, SW_HIDE);
  hdc = GetDC(kid);
  FillRect(hdc, &huge, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(CountNot(RGB(0, 0, 0)), 0);
  ReleaseDC(kid, hdc);
}

TEST_F(WindowDc, ChildrenPaintAfterTheirParentUnlessItClipsThem) {
  HWND top = Top();
  HWND kid = Child(top, 0, 20, 20, 40, 30);
  g_painters[top] = [](HWND h, HDC hdc) { FillClient(h, hdc, kBlue); };
  g_painters[kid] = [](HWND h, HDC hdc) { FillClient(h, hdc, kGreen); };
  UpdateWindow(top);
  EXPECT_EQ(CountNot(kGreen, RECT{20, 46, 60, 76}), 0);
  EXPECT_EQ(At(19, 46), kBlue);
  EXPECT_EQ(At(60, 75), kBlue);

  // With WS_CLIPCHILDREN the parent's own paint leaves the child's place.
  SetWindowLongW(top, GWL_STYLE, GetWindowLongW(top, GWL_STYLE) | WS_CLIPCHILDREN);
  g_painters.erase(kid);
  Paper(RGB(0, 0, 0));
  InvalidateRect(top, nullptr, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(CountNot(RGB(0, 0, 0), RECT{20, 46, 60, 76}), 0);
  EXPECT_EQ(At(19, 46), kBlue);
}

TEST_F(WindowDc, APaintDcIsClippedToTheUpdateAndTheClassBrushErases) {
  HWND top = Top();
  Pump();
  Paper(RGB(0, 0, 0));
  g_painters[top] = [](HWND h, HDC hdc) { FillClient(h, hdc, kRed); };
  RECT part{10, 10, 30, 20};
  InvalidateRect(top, &part, FALSE);
  UpdateWindow(top);
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{10, 36, 30, 46}));

  // Left to DefWindowProcW, an erasing paint fills with the class brush.
  g_painters.clear();
  Paper(RGB(0, 0, 0));
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{0, 26, 240, 320}), 0);
}

TEST_F(WindowDc, AWindowAboveHidesItsPartOfTheWindowBelow) {
  HWND below = Top();
  HWND above = CreateWindowExW(0, wintest::kClass, u"Above", WS_VISIBLE, 0, 200, 240, 120, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_EQ(plat::user::TopLevelWindows().front(), above);
  Paper(RGB(0, 0, 0));
  HDC hdc = GetDC(below);
  RECT all{0, 0, 240, 294};
  FillRect(hdc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{0, 26, 240, 200}));
  ReleaseDC(below, hdc);
}

TEST_F(WindowDc, TheWindowBelowRepaintsWhatAWindowAboveUncovers) {
  HWND below = Top();
  g_painters[below] = [](HWND h, HDC hdc) { FillClient(h, hdc, kBlue); };
  UpdateWindow(below);
  for (bool destroy : {false, true}) {
    HWND above = CreateWindowExW(0, wintest::kClass, u"Above", WS_VISIBLE, 0, 200, 240, 120, nullptr,
                                 nullptr, nullptr, nullptr);
    UpdateWindow(above);  // the class brush: white
    EXPECT_EQ(At(0, 200), RGB(255, 255, 255));
    if (destroy)
      DestroyWindow(above);
    else
      ShowWindow(above, SW_HIDE);
    Pump();
    EXPECT_EQ(CountNot(kBlue, RECT{0, 26, 240, 320}), 0) << destroy;
    if (!destroy) DestroyWindow(above);
  }
}

TEST_F(WindowDc, DrawIconLetsItsMaskShowThrough) {
  HWND top = Top();
  Paper(RGB(1, 2, 3));
  HDC hdc = GetDC(top);
  // The program's icon, pixel for pixel.
  HICON app = LoadIconW(plat::ModuleInstance(), MAKEINTRESOURCE(IDI_APP));
  ASSERT_NE(app, nullptr);
  EXPECT_TRUE(DrawIcon(hdc, 10, 10, app));
  const plat::gdi::Icon *im = plat::gdi::FindAs<plat::gdi::Icon>(app);
  int wrong = 0;
  for (int y = 0; y < im->image.height; ++y)
    for (int x = 0; x < im->image.width; ++x) {
      size_t k = (size_t)y * im->image.width + x;
      COLORREF want = im->mask[k] ? RGB(1, 2, 3) : plat::gdi::ColorOf(im->image.pixels[k]);
      wrong += At(10 + x, 36 + y) != want;
    }
  EXPECT_EQ(wrong, 0);
  // A 2 x 1 icon whose mask lets its right pixel show the screen.
  plat::gdi::Icon two{plat::gdi::Bitmap{2, 1, {0xFF0000, 0x00FF00}}, {0, 1}};
  HICON small = (HICON)plat::gdi::AddObject(two);
  EXPECT_TRUE(DrawIcon(hdc, 100, 100, small));
  EXPECT_EQ(At(100, 126), RGB(255, 0, 0));
  EXPECT_EQ(At(101, 126), RGB(1, 2, 3));
  EXPECT_FALSE(DrawIcon(hdc, 0, 0, nullptr));
  EXPECT_FALSE(DeleteObject(small));  // icons are not graphics objects to delete
  plat::gdi::RemoveObject(small);
  ReleaseDC(top, hdc);
}

TEST_F(WindowDc, DefaultControlColoursComeFromTheSystemColours) {
  HWND top = Top();
  HDC hdc = GetDC(top);
  struct Case {
    UINT msg;
    int text, back;
  } cases[] = {{WM_CTLCOLOREDIT, COLOR_WINDOWTEXT, COLOR_WINDOW},
               {WM_CTLCOLORBTN, COLOR_BTNTEXT, COLOR_BTNFACE},
               {WM_CTLCOLORSTATIC, COLOR_STATICTEXT, COLOR_STATIC},
               {WM_CTLCOLORDLG, COLOR_STATICTEXT, COLOR_STATIC}};
  for (const Case &c : cases) {
    SetTextColor(hdc, RGB(1, 2, 3));
    SetBkColor(hdc, RGB(1, 2, 3));
    LRESULT brush = DefWindowProcW(top, c.msg, (WPARAM)hdc, 0);
    EXPECT_EQ((HBRUSH)brush, GetSysColorBrush(c.back)) << c.msg;
    EXPECT_EQ(GetTextColor(hdc), GetSysColor(c.text)) << c.msg;
    EXPECT_EQ(GetBkColor(hdc), GetSysColor(c.back)) << c.msg;
  }
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_BTNFACE)));  // shared: it stays
  LOGBRUSH lb;
  EXPECT_EQ(GetObjectW(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb), (int)sizeof lb);
  ReleaseDC(top, hdc);
}

TEST_F(WindowDc, ABorderIsDrawnRoundTheClientArea) {
  HWND top = Top();
  HWND edit = CreateWindowExW(0, wintest::kClass, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 20, 10,
                              top, nullptr, nullptr, nullptr);
  Paper(RGB(0, 255, 0));
  InvalidateRect(edit, nullptr, TRUE);
  UpdateWindow(edit);
  EXPECT_EQ(At(10, 36), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(At(29, 45), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(CountNot(RGB(255, 255, 255), RECT{11, 37, 29, 45}), 0);
  EXPECT_EQ(At(30, 36), RGB(0, 255, 0));
}

}  // namespace
