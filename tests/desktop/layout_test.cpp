#include <windows.h>

#include <gtest/gtest.h>

#include "host/desktop.h"

namespace {

using plat::host::Layout;
using plat::host::LayoutFor;
using plat::host::ScreenPointOf;

TEST(DesktopLayout, TheScreenTakesTheLargestWholeScaleCentred) {
  Layout l = LayoutFor(480, 640);
  EXPECT_EQ(l.scale, 2);
  EXPECT_EQ(l.left, 0);
  EXPECT_EQ(l.top, 0);
  l = LayoutFor(1000, 700);  // tall enough for 2x only
  EXPECT_EQ(l.scale, 2);
  EXPECT_EQ(l.left, (1000 - 480) / 2);
  EXPECT_EQ(l.top, 30);
  EXPECT_EQ(LayoutFor(959, 2000).scale, 3);
  EXPECT_EQ(LayoutFor(100, 100).scale, 1);  // never below 1
  l = LayoutFor(8000, 8000);                 // never above 8
  EXPECT_EQ(l.scale, 8);
  EXPECT_EQ(l.left, (8000 - 1920) / 2);
  EXPECT_EQ(l.top, (8000 - 2560) / 2);
}

TEST(DesktopLayout, DesktopPointsMapBackToScreenPixels) {
  Layout l = LayoutFor(1000, 700);  // 2x at (260, 30)
  POINT p = ScreenPointOf(l, 260, 30);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = ScreenPointOf(l, 261 + 2 * 239, 31 + 2 * 319);
  EXPECT_EQ(p.x, 239);
  EXPECT_EQ(p.y, 319);
  p = ScreenPointOf(l, 259, 29);  // just outside: left of and above the screen
  EXPECT_EQ(p.x, -1);
  EXPECT_EQ(p.y, -1);
}

TEST(DesktopKeys, KeysBecomeTheirVirtualKeys) {
  using plat::host::VirtualKeyOf;
  EXPECT_EQ(VirtualKeyOf('a'), 'A');
  EXPECT_EQ(VirtualKeyOf('q'), 'Q');
  EXPECT_EQ(VirtualKeyOf('7'), '7');
  EXPECT_EQ(VirtualKeyOf('\r'), VK_RETURN);
  EXPECT_EQ(VirtualKeyOf(27), VK_ESCAPE);
  EXPECT_EQ(VirtualKeyOf('\b'), VK_BACK);
  EXPECT_EQ(VirtualKeyOf(' '), VK_SPACE);
  EXPECT_EQ(VirtualKeyOf('~'), 0);
}

}  // namespace
