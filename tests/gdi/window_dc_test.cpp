#include <windows.h>

#include <gtest/gtest.h>

#include "gditest.h"

namespace {

using WindowDc = gditest::Screen;
using gditest::g_painters;

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
  HWND kid = Child(top, 20, 20, 40, 30);
  HWND grandchild = Child(kid, 30, -5, 30, 30);  // sticks out of kid's right and top
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
  HWND kid = Child(top, 20, 20, 40, 30);
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
  HWND above = CreateWindowExW(0, gditest::kClass, u"Above", WS_VISIBLE, 0, 200, 240, 120, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_EQ(plat::user::TopLevelWindows().front(), above);
  Paper(RGB(0, 0, 0));
  HDC hdc = GetDC(below);
  RECT all{0, 0, 240, 294};
  FillRect(hdc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{0, 26, 240, 200}));
  ReleaseDC(below, hdc);
}

TEST_F(WindowDc, ABorderIsDrawnRoundTheClientArea) {
  HWND top = Top();
  HWND edit = CreateWindowExW(0, gditest::kClass, u"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 20, 10,
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
