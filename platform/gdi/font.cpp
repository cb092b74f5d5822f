/*
 * Typefaces: which source gives them, and the faces each source keeps.
 */
#include "gdi/font.h"

#include <algorithm>
#include <cstdlib>

namespace plat::gdi {
namespace {

constexpr LONG kMaxSize = 1000;

/* A request with its sizes kept to what a screen can show. */
LOGFONTW Bounded(const LOGFONTW &request) {
  LOGFONTW lf = request;
  lf.lfHeight = std::clamp<LONG>(lf.lfHeight, -kMaxSize, kMaxSize);
  lf.lfWidth = std::min<LONG>(lf.lfWidth == INT32_MIN ? kMaxSize : std::abs(lf.lfWidth), kMaxSize);
  return lf;
}

Typefaces *s_source = nullptr; /* nullptr: the build's own */

Typefaces &BuildTypefaces() {
#if TONBROOK_NO_FREETYPE
  return TableTypefaces();
#else
  return FreeTypeTypefaces();
#endif
}

}  // namespace

FontMetrics Styled(FontMetrics m, const LOGFONTW &lf) {
  m.weight = lf.lfWeight ? (int)lf.lfWeight : FW_NORMAL;
  m.italic = lf.lfItalic != 0;
  m.underline = lf.lfUnderline != 0;
  m.strikeOut = lf.lfStrikeOut != 0;
  return m;
}

FontFace *Typefaces::Find(const LOGFONTW &request) {
  LOGFONTW lf = Bounded(request);
  Key key{lf.lfHeight, lf.lfWidth, lf.lfItalic != 0, lf.lfUnderline != 0, lf.lfStrikeOut != 0,
          lf.lfWeight >= kBoldWeight, lf.lfWeight};
  auto it = m_faces.find(key);
  if (it != m_faces.end()) return it->second.get();
  std::unique_ptr<FontFace> made = Open(lf);
  FontFace *face = made.get();
  if (face) m_faces.emplace(key, std::move(made));
  return face;
}

void UseTypefaces(Typefaces *source) { s_source = source; }

FontFace *FaceFor(const LOGFONTW &lf) { return (s_source ? *s_source : BuildTypefaces()).Find(lf); }

std::string Listing(FontFace *face) {
  const FontMetrics &m = face->Metrics();
  std::string s = "metrics " + std::to_string(m.height) + " " + std::to_string(m.ascent) + " " +
                  std::to_string(m.descent) + " " + std::to_string(m.internalLeading) + " " +
                  std::to_string(m.aveCharWidth) + " " + std::to_string(m.maxCharWidth) + "\n";
  for (char32_t ch = 0; ch <= 0x100; ++ch) {
    char32_t c = ch == 0x100 ? 0xFFFF : ch;
    const Glyph &g = face->GlyphOf(c);
    s += std::to_string((unsigned)c) + ": " + std::to_string(g.left) + " " + std::to_string(g.top) + " " +
         std::to_string(g.width) + "x" + std::to_string(g.height) + " " + std::to_string(g.advance);
    for (uint8_t a : g.coverage) s += " " + std::to_string(a);
    s += "\n";
  }
  return s;
}

}  // namespace plat::gdi
