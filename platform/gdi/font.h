/*
 * gdi/font.h - typefaces through FreeType, found by fontconfig.
 *
 * One typeface serves every font: DejaVu Sans (its bold face for weights
 * from 600), whatever the face name of the LOGFONT. A font is sized from
 * the LOGFONT as the platform does: a positive height is the cell height
 * (ascent + descent), a negative one the character height (the em), 0 the
 * system font's; a nonzero width is the average character width, which
 * narrows or widens the glyphs. Glyphs are hinted and grey-scale
 * anti-aliased, and kept once rendered.
 */
#ifndef TONBROOK_PLATFORM_GDI_FONT_H
#define TONBROOK_PLATFORM_GDI_FONT_H

#include <windows.h>

#include <cstdint>
#include <vector>

namespace plat::gdi {

/* One rendered glyph: coverage rows, placed from the pen position on the
 * baseline. */
struct Glyph {
  int left = 0; /* from the pen to the first column */
  int top = 0;  /* from the baseline up to the first row */
  int width = 0;
  int height = 0;
  int advance = 0; /* whole pixels */
  std::vector<uint8_t> coverage;
};

struct FontMetrics {
  int height = 0; /* the cell: ascent + descent */
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

class FontFace;

/* The sized typeface for a LOGFONT, shared by equal requests; nullptr when
 * no typeface could be found or opened (said once on standard error). */
FontFace *FaceFor(const LOGFONTW &lf);

const FontMetrics &MetricsOf(FontFace *face);

/* The glyph of a character (a missing one draws the typeface's box). */
const Glyph &GlyphOf(FontFace *face, char32_t ch);

}  // namespace plat::gdi

#endif
