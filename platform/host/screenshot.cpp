#include "host/screenshot.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "gdi/gdi.h"

namespace plat::host {
namespace {

/* Writes rows of RGB to an open file; false when libpng reports an error. */
bool WritePng(FILE *f, int width, int height, std::vector<png_bytep> &rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteScreenshot(const std::string &path) {
  gdi::PaintNavigationBar();
  const gdi::Bitmap &screen = gdi::Screen();
  std::vector<png_byte> rgb((size_t)screen.width * screen.height * 3);
  for (size_t i = 0; i < screen.pixels.size(); ++i) {
    uint32_t px = screen.pixels[i];
    rgb[3 * i] = (png_byte)(px >> 16);
    rgb[3 * i + 1] = (png_byte)(px >> 8);
    rgb[3 * i + 2] = (png_byte)px;
  }
  std::vector<png_bytep> rows((size_t)screen.height);
  for (int y = 0; y < screen.height; ++y) rows[(size_t)y] = &rgb[(size_t)y * screen.width * 3];
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = WritePng(f, screen.width, screen.height, rows);
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace plat::host
