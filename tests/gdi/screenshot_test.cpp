#include <windows.h>

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/wintest.h"
#include "host/headless.h"
#include "host/screenshot.h"

namespace {

using Screenshot = wintest::Screen;
using namespace wintest;
using plat::host::Step;

/* The RGB pixels of a PNG file, or nothing. */
std::vector<uint8_t> ReadPng(const std::string &path, int *w, int *h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) return {};
  *w = (int)image.width;
  *h = (int)image.height;
  return px;
}

TEST_F(Screenshot, AScriptedShotHoldsTheScreenAndTheTitleBar) {
  std::string path = (std::filesystem::temp_directory_path() / "tonbrook_gdi_shot.png").string();
  std::remove(path.c_str());
  plat::host::Run({Step::Call(100,
                              [&] {
                                EXPECT_TRUE(plat::host::WriteScreenshot(path));
                                PostQuitMessage(0);
                              })},
                  [&](plat::host::Headless &) {
                    HWND hwnd = Top(u"Tonbrook");
                    wintest::g_painters[hwnd] = [](HWND, HDC hdc) {
                      RECT rc{10, 10, 50, 30};
                      FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
                    };
                    MSG msg;
                    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
                    return 0;
                  });
  int w = 0, h = 0;
  std::vector<uint8_t> px = ReadPng(path, &w, &h);
  ASSERT_EQ(w, 240);
  ASSERT_EQ(h, 320);
  auto at = [&](int x, int y) { return RGB(px[3 * (y * w + x)], px[3 * (y * w + x) + 1], px[3 * (y * w + x) + 2]); };
  EXPECT_EQ(at(10, 36), RGB(0, 0, 0));
  EXPECT_EQ(at(50, 36), RGB(255, 255, 255));  // the class brush erased the rest
  EXPECT_EQ(at(0, 0), GetSysColor(COLOR_ACTIVECAPTION));
  int title = 0;  // the title's white letters on the bar
  for (int y = 0; y < 26; ++y)
    for (int x = 0; x < 120; ++x) title += at(x, y) == RGB(255, 255, 255);
  EXPECT_GT(title, 20);
  std::remove(path.c_str());
  EXPECT_FALSE(plat::host::WriteScreenshot("/nonexistent-dir/shot.png"));
}

}  // namespace
