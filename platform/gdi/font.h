/*
 * gdi/font.h - typefaces: where the glyphs of text come from.
 *
 * One typeface serves every font: DejaVu Sans (its bold face for weights
 * from 600), whatever the face name of the LOGFONT. A font is sized from
 * the LOGFONT as the platform does: a positive height is the cell height
 * (ascent + descent), a negative one the character height (the em), 0 the
 * system font's; a nonzero width is the average character width, which
 * narrows or widens the glyphs. Glyphs are hinted and grey-scale
 * anti-aliased, and kept once rendered.
 *
 * Two sources give the typefaces: FreeType, which renders DejaVu Sans found
 * by fontconfig (the Linux build), and the glyph table that FreeType made
 * when the program was built, for the faces, sizes and characters the
 * program draws (the browser build, which has no FreeType). Text layout and
 * blending above this layer are the same for both.
 */
#ifndef TONBROOK_PLATFORM_GDI_FONT_H
#define TONBROOK_PLATFORM_GDI_FONT_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
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

/* Weights from this one draw with the bold face. */
constexpr LONG kBoldWeight = FW_SEMIBOLD;

/* The metrics of a sized face with the style of the LOGFONT that asked for
 * it: its weight (0 is FW_NORMAL), italic, underline and strike-out. */
FontMetrics Styled(FontMetrics sized, const LOGFONTW &lf);

/* A typeface at one size, in one style. */
class FontFace {
 public:
  virtual ~FontFace() = default;
  virtual const FontMetrics &Metrics() const = 0;
  /* The glyph of a character (a missing one draws the typeface's box). */
  virtual const Glyph &GlyphOf(char32_t ch) = 0;
};

/* A source of typefaces, which keeps each face it opened for the process. */
class Typefaces {
 public:
  virtual ~Typefaces() = default;

  /* The face for a LOGFONT, shared by equal requests; nullptr when none
   * could be opened. Sizes are kept to what a screen can show first: a
   * negative width counts as positive, heights and widths stop at 1000
   * pixels. */
  FontFace *Find(const LOGFONTW &request);

 protected:
  /* A new face for a request already kept to screen sizes; nullptr when
   * there is none. */
  virtual std::unique_ptr<FontFace> Open(const LOGFONTW &lf) = 0;

  /* Closes every face, for a source that must do so before it ends. */
  void Forget() { m_faces.clear(); }

 private:
  using Key = std::tuple<LONG, LONG, bool, bool, bool, bool, LONG>;
  std::map<Key, std::unique_ptr<FontFace>> m_faces;
};

/* FreeType's typefaces (the Linux build's): a face that cannot be found
 * or opened is said once on standard error. */
Typefaces &FreeTypeTypefaces();

/* The glyph table's typefaces (the browser build's). The table holds
 * upright faces: an italic request draws upright, and a request for a size
 * the table lacks gets the table's face of the same weight at the system
 * font's size. A character outside the table draws as the face's box. */
Typefaces &TableTypefaces();

/* Takes faces from source from now on; nullptr goes back to the build's
 * own (FreeType, or the glyph table in a build without FreeType). Tests
 * compare the two through it. */
void UseTypefaces(Typefaces *source);

/* The sized typeface for a LOGFONT from the current source; nullptr when
 * there is none. */
FontFace *FaceFor(const LOGFONTW &lf);

inline const FontMetrics &MetricsOf(FontFace *face) { return face->Metrics(); }

/* The glyph of a character (a missing one draws the typeface's box). */
inline const Glyph &GlyphOf(FontFace *face, char32_t ch) { return face->GlyphOf(ch); }

/* A listing of a face: its metrics, then the glyph of each character from
 * U+0000 to U+00FF and its box (U+FFFF), coverage and all, a line each.
 * Two builds whose listings agree draw the same text. */
std::string Listing(FontFace *face);

}  // namespace plat::gdi

#endif
