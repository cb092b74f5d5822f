#include <windows.h>

#include <gtest/gtest.h>

#include "common/wintest.h"

namespace {

using Text = wintest::Canvas;
using namespace wintest;

const COLORREF kGrey = RGB(100, 100, 100);
const COLORREF kWhite = RGB(255, 255, 255);

TEST_F(Text, TheSystemFontIsAboutEightPointsAndItsLogfontMakesNewFonts) {
  LOGFONTW lf;
  ASSERT_EQ(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf), (int)sizeof lf);
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  HDC hdc = GetDC(nullptr);
  TEXTMETRICW tm;
  ASSERT_TRUE(GetTextMetricsW(hdc, &tm));
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 14);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 11);

  // The button font: a cell height of 10 and an average width of 4.
  lf.lfHeight = 10;
  lf.lfWidth = 4;
  HFONT small = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(hdc, small);
  EXPECT_EQ(old, GetStockObject(SYSTEM_FONT));
  ASSERT_TRUE(GetTextMetricsW(hdc, &tm));
  EXPECT_EQ(tm.tmHeight, 10);
  EXPECT_EQ(tm.tmAveCharWidth, 4);
  SIZE narrow, natural, bold;
  GetTextExtentPoint32W(hdc, u"White Noise", 11, &narrow);
  EXPECT_EQ(narrow.cy, 10);
  lf.lfWidth = 0;
  HFONT wide = CreateFontIndirectW(&lf);
  SelectObject(hdc, wide);
  GetTextExtentPoint32W(hdc, u"White Noise", 11, &natural);
  EXPECT_LT(narrow.cx, natural.cx);
  lf.lfWeight = FW_BOLD;
  HFONT heavy = CreateFontIndirectW(&lf);
  SelectObject(hdc, heavy);
  GetTextExtentPoint32W(hdc, u"White Noise", 11, &bold);
  EXPECT_GT(bold.cx, natural.cx);
  ASSERT_TRUE(GetTextMetricsW(hdc, &tm));
  EXPECT_EQ(tm.tmWeight, FW_BOLD);

  // A negative height is the character height: the cell is taller.
  lf.lfHeight = -20;
  HFONT big = CreateFontIndirectW(&lf);
  SelectObject(hdc, big);
  GetTextMetricsW(hdc, &tm);
  EXPECT_GT(tm.tmHeight, 20);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
  // Sizes past any screen are kept to one.
  lf.lfHeight = INT32_MIN;
  lf.lfWidth = INT32_MIN;
  HFONT huge = CreateFontIndirectW(&lf);
  SelectObject(hdc, huge);
  EXPECT_TRUE(GetTextMetricsW(hdc, &tm));
  EXPECT_LE(tm.tmHeight, 1300);
  SelectObject(hdc, old);
  for (HFONT f : {small, wide, heavy, big, huge}) EXPECT_TRUE(DeleteObject(f));
  ReleaseDC(nullptr, hdc);
}

TEST_F(Text, TransparentTextInItsColourIsCentredInItsRectangle) {
  HBRUSH grey = CreateSolidBrush(kGrey);
  RECT client{0, 0, 240, 294};
  FillRect(m_hdc, &client, grey);
  SetTextColor(m_hdc, kWhite);
  SetBkMode(m_hdc, TRANSPARENT);
  RECT label{150, 57, 240, 82};  // the main window's label
  int h = DrawTextW(m_hdc, u"Frequency (Hz)", -1, &label, DT_SINGLELINE | DT_VCENTER);
  TEXTMETRICW tm;
  GetTextMetricsW(m_hdc, &tm);
  int top = 57 + (25 - tm.tmHeight) / 2;
  EXPECT_EQ(h, top - 57 + tm.tmHeight);

  RECT screenLabel{150, 83, 240, 108};
  RECT ink = InkBounds(kGrey, RECT{0, 26, 240, 320});
  EXPECT_FALSE(IsRectEmpty(&ink));
  EXPECT_GE(ink.left, 150);
  EXPECT_LE(ink.left, 152);
  // The ink lies in the centred cell, and roughly as far from its top as
  // the rectangle's other ink from its bottom.
  EXPECT_GE(ink.top, top + 26);
  EXPECT_LE(ink.bottom, top + 26 + tm.tmHeight);
  EXPECT_LE(std::abs((ink.top - screenLabel.top) - (screenLabel.bottom - ink.bottom)), 4);
  // Anti-aliased grey-scale between the background and the text colour, with
  // full white in the stems.
  int white = 0;
  for (LONG y = ink.top; y < ink.bottom; ++y)
    for (LONG x = ink.left; x < ink.right; ++x) {
      COLORREF c = At(x, y);
      EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c) && GetRValue(c) >= 100);
      white += c == kWhite;
    }
  EXPECT_GT(white, 20);

  // An opaque background fills the text's cell with the background colour.
  FillRect(m_hdc, &client, grey);
  SetBkMode(m_hdc, OPAQUE);
  SetBkColor(m_hdc, RGB(0, 0, 255));
  SetTextColor(m_hdc, RGB(255, 255, 0));
  SIZE size;
  GetTextExtentPoint32W(m_hdc, u"PLAY", 4, &size);
  EXPECT_TRUE(ExtTextOutW(m_hdc, 20, 30, 0, nullptr, u"PLAY", 4, nullptr));
  EXPECT_EQ(InkBounds(kGrey, RECT{0, 26, 240, 320}), (RECT{20, 56, 20 + size.cx, 56 + size.cy}));
  EXPECT_EQ(At(20, 56), RGB(0, 0, 255));
  ReleaseDC(m_hwnd, m_hdc);
  DeleteObject(grey);
}

TEST_F(Text, ExtTextOutOpaqueAndClippedKeepToTheirRectangle) {
  SetBkColor(m_hdc, RGB(0, 255, 0));
  SetTextColor(m_hdc, RGB(255, 0, 0));
  SetBkMode(m_hdc, TRANSPARENT);
  RECT box{10, 10, 30, 20};
  EXPECT_TRUE(ExtTextOutW(m_hdc, 5, 5, ETO_OPAQUE | ETO_CLIPPED, &box, u"Wide text here", 14, nullptr));
  EXPECT_EQ(InkBounds(RGB(0, 0, 0)), (RECT{10, 36, 30, 46}));
  EXPECT_EQ(At(29, 45), RGB(0, 255, 0));  // below the text's cell
  EXPECT_GT(CountNot(RGB(0, 255, 0), RECT{10, 36, 30, 46}), 0);
}

TEST_F(Text, DrawTextMeasuresAlignsAndTakesPrefixes) {
  HDC hdc = GetDC(nullptr);
  SIZE file, amp;
  GetTextExtentPoint32W(hdc, u"File", 4, &file);
  GetTextExtentPoint32W(hdc, u"&File", 5, &amp);
  TEXTMETRICW tm;
  GetTextMetricsW(hdc, &tm);

  RECT rc{10, 40, 200, 41};
  EXPECT_EQ(DrawTextW(hdc, u"File", 4, &rc, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(rc, (RECT{10, 40, 10 + file.cx, 40 + tm.tmHeight}));
  rc = RECT{10, 40, 200, 41};
  DrawTextW(hdc, u"&File", -1, &rc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(rc.right, 10 + file.cx);  // the & is a prefix, not a character
  rc = RECT{10, 40, 200, 41};
  DrawTextW(hdc, u"&File", -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(rc.right, 10 + amp.cx);
  rc = RECT{0, 0, 200, 0};
  EXPECT_EQ(DrawTextW(hdc, u"one\ntwo\r\nthree", -1, &rc, DT_CALCRECT), 3 * tm.tmHeight);
  // Words wrap to the width.
  rc = RECT{0, 0, file.cx * 2, 0};
  EXPECT_EQ(DrawTextW(hdc, u"File File File", -1, &rc, DT_CALCRECT | DT_WORDBREAK), 3 * tm.tmHeight);

  // Left, centred and right in white on the black screen; the prefix
  // underline shows below the F.
  SetTextColor(hdc, kWhite);
  SetBkMode(hdc, TRANSPARENT);
  RECT row{40, 100, 140, 120};
  DrawTextW(hdc, u"File", 4, &row, DT_SINGLELINE | DT_CENTER);
  RECT ink = InkBounds(RGB(0, 0, 0));
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 90, 2);
  Paper(RGB(0, 0, 0));
  DrawTextW(hdc, u"File", 4, &row, DT_SINGLELINE | DT_RIGHT);
  ink = InkBounds(RGB(0, 0, 0));
  EXPECT_GE(ink.right, 138);
  EXPECT_LE(ink.right, 140);
  Paper(RGB(0, 0, 0));
  DrawTextW(hdc, u"&File", 5, &row, DT_SINGLELINE);
  EXPECT_EQ(At(41, 100 + tm.tmAscent + 1), kWhite);
  Paper(RGB(0, 0, 0));
  DrawTextW(hdc, u"File", 4, &row, DT_SINGLELINE);
  EXPECT_EQ(At(41, 100 + tm.tmAscent + 1), RGB(0, 0, 0));
  EXPECT_EQ(DrawTextW(nullptr, u"x", 1, &row, 0), 0);
  // Rectangles and places at the ends of int draw what shows, if anything.
  RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_GT(DrawTextW(hdc, u"File", 4, &huge, DT_SINGLELINE | DT_VCENTER | DT_CENTER), 0);
  huge = RECT{INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX};
  EXPECT_EQ(DrawTextW(hdc, u"File", 4, &huge, DT_CALCRECT), tm.tmHeight);
  ReleaseDC(nullptr, hdc);
}

}  // namespace
