/*
 * gdi/glyphtable.h - the glyph table: the faces the program draws with,
 * rendered when the program is built by the FreeType typefaces, for a build
 * that has no FreeType. tonbrook-glyphs writes the table as C++ source.
 */
#ifndef TONBROOK_PLATFORM_GDI_GLYPHTABLE_H
#define TONBROOK_PLATFORM_GDI_GLYPHTABLE_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace plat::gdi {

/* One glyph: as Glyph has it, its coverage at an offset of kTableCoverage. */
struct TableGlyph {
  char32_t ch;
  int16_t left, top;
  uint16_t width, height;
  int16_t advance;
  uint32_t coverage;
};

/* One face: the LOGFONT sizes and weight class it was rendered for, its
 * sized metrics, its glyphs in ascending character order, and the box it
 * draws for a character it has no glyph for. */
struct TableFace {
  LONG lfHeight, lfWidth;
  bool bold;
  int height, ascent, descent, internalLeading, aveCharWidth, maxCharWidth;
  const TableGlyph *glyphs;
  size_t glyphCount;
  TableGlyph box;
};

extern const TableFace kTableFaces[];
extern const size_t kTableFaceCount;
extern const uint8_t kTableCoverage[];

}  // namespace plat::gdi

#endif
