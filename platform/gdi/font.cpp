/*
 * Typefaces: fontconfig finds DejaVu Sans, FreeType sizes, hints and
 * renders it; sized faces and their glyphs are kept for the process.
 */
#include "gdi/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>

namespace plat::gdi {

constexpr LONG kDefaultHeight = -11; /* the system font's */
constexpr LONG kBoldWeight = FW_SEMIBOLD;

class FontFace {
 public:
  FontFace(FT_Face face, const LOGFONTW &lf, bool embolden);
  ~FontFace() { FT_Done_Face(m_face); }
  FontFace(const FontFace &) = delete;
  FontFace &operator=(const FontFace &) = delete;

  const FontMetrics &Metrics() const { return m_metrics; }
  const Glyph &GlyphOf(char32_t ch);

 private:
  FT_Face m_face;
  bool m_embolden;
  FontMetrics m_metrics;
  std::unordered_map<char32_t, Glyph> m_glyphs;
};

namespace {

/* The typeface file fontconfig gives for DejaVu Sans of a weight, and
 * whether that file is bold itself. */
struct FaceFile {
  std::string path;
  int index = 0;
  bool bold = false;
};

std::optional<FaceFile> Lookup(bool bold) {
  if (!FcInit()) return std::nullopt;
  FcPattern *pattern = FcNameParse((const FcChar8 *)"DejaVu Sans");
  if (!pattern) return std::nullopt;
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  std::optional<FaceFile> found;
  FcChar8 *file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    FaceFile f;
    f.path = (const char *)file;
    FcPatternGetInteger(match, FC_INDEX, 0, &f.index);
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    f.bold = weight >= FC_WEIGHT_DEMIBOLD;
    found = f;
  }
  FcPatternDestroy(match);
  return found;
}

/* A request with its sizes kept to what a screen can show: a negative
 * width counts as positive, heights and widths stop at kMaxSize pixels. */
constexpr LONG kMaxSize = 1000;

LOGFONTW Bounded(const LOGFONTW &request) {
  LOGFONTW lf = request;
  lf.lfHeight = std::clamp<LONG>(lf.lfHeight, -kMaxSize, kMaxSize);
  lf.lfWidth = std::min<LONG>(lf.lfWidth == INT32_MIN ? kMaxSize : std::abs(lf.lfWidth), kMaxSize);
  return lf;
}

using Key = std::tuple<LONG, LONG, bool, bool, bool, bool, LONG>;

Key KeyOf(const LOGFONTW &lf) {
  return Key{lf.lfHeight, lf.lfWidth, lf.lfItalic != 0, lf.lfUnderline != 0, lf.lfStrikeOut != 0,
             lf.lfWeight >= kBoldWeight, lf.lfWeight};
}

class Fonts {
 public:
  ~Fonts() {
    m_faces.clear();
    if (m_library) FT_Done_FreeType(m_library);
    if (m_fontconfig) FcFini();
  }

  FontFace *Find(const LOGFONTW &request) {
    LOGFONTW lf = Bounded(request);
    Key key = KeyOf(lf);
    auto it = m_faces.find(key);
    if (it != m_faces.end()) return it->second.get();
    std::unique_ptr<FontFace> made = Open(lf);
    FontFace *face = made.get();
    if (face) m_faces.emplace(key, std::move(made));
    return face;
  }

 private:
  std::unique_ptr<FontFace> Open(const LOGFONTW &lf) {
    bool bold = lf.lfWeight >= kBoldWeight;
    if (!m_library && FT_Init_FreeType(&m_library)) m_library = nullptr;
    auto &file = m_files[bold ? 1 : 0];
    if (!file) {
      m_fontconfig = true;
      file = Lookup(bold);
    }
    FT_Face face = nullptr;
    if (!m_library || !*file || FT_New_Face(m_library, (*file)->path.c_str(), (*file)->index, &face)) {
      Complain();
      return nullptr;
    }
    return std::make_unique<FontFace>(face, lf, bold && !(*file)->bold);
  }

  void Complain() {
    if (m_complained) return;
    m_complained = true;
    std::fprintf(stderr,
                 "tonbrook: no typeface for text: fontconfig found no DejaVu Sans "
                 "(install fonts-dejavu-core)\n");
  }

  FT_Library m_library = nullptr;
  std::optional<std::optional<FaceFile>> m_files[2];
  std::map<Key, std::unique_ptr<FontFace>> m_faces;
  bool m_complained = false;
  bool m_fontconfig = false; /* initialised, to be finished at exit */
};

Fonts &AllFonts() {
  static Fonts fonts;
  return fonts;
}

}  // namespace

FontFace::FontFace(FT_Face face, const LOGFONTW &lf, bool embolden) : m_face(face), m_embolden(embolden) {
  double upem = face->units_per_EM;
  double winAscent = face->ascender, winDescent = -face->descender, avg = upem / 2;
  if (auto *os2 = (TT_OS2 *)FT_Get_Sfnt_Table(face, FT_SFNT_OS2)) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      winAscent = os2->usWinAscent;
      winDescent = os2->usWinDescent;
    }
    if (os2->xAvgCharWidth > 0) avg = os2->xAvgCharWidth;
  }
  LONG h = lf.lfHeight ? lf.lfHeight : kDefaultHeight;
  FontMetrics &m = m_metrics;
  double ppem;
  if (h > 0) {
    ppem = h * upem / (winAscent + winDescent);
    m.height = (int)h;
    m.ascent = (int)std::lround(winAscent * ppem / upem);
    m.descent = m.height - m.ascent;
  } else {
    ppem = -(double)h;
    m.ascent = (int)std::lround(winAscent * ppem / upem);
    m.descent = (int)std::lround(winDescent * ppem / upem);
    m.height = m.ascent + m.descent;
  }
  m.internalLeading = m.height - (int)std::lround(ppem);
  double naturalAvg = avg * ppem / upem;
  double xppem = ppem;
  if (lf.lfWidth > 0) {
    xppem = ppem * lf.lfWidth / naturalAvg;
    m.aveCharWidth = (int)lf.lfWidth;
  } else {
    m.aveCharWidth = (int)std::lround(naturalAvg);
  }
  m.maxCharWidth = (int)std::lround(face->max_advance_width * xppem / upem);
  m.weight = lf.lfWeight ? (int)lf.lfWeight : FW_NORMAL;
  m.italic = lf.lfItalic != 0;
  m.underline = lf.lfUnderline != 0;
  m.strikeOut = lf.lfStrikeOut != 0;
  FT_Set_Char_Size(face, (FT_F26Dot6)std::lround(xppem * 64), (FT_F26Dot6)std::lround(ppem * 64), 72, 72);
}

const Glyph &FontFace::GlyphOf(char32_t ch) {
  auto it = m_glyphs.find(ch);
  if (it != m_glyphs.end()) return it->second;
  Glyph g;
  FT_GlyphSlot slot = m_face->glyph;
  if (!FT_Load_Char(m_face, ch, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL)) {
    if (m_embolden) FT_GlyphSlot_Embolden(slot);
    if (m_metrics.italic) FT_GlyphSlot_Oblique(slot);
    g.advance = (int)((slot->advance.x + 32) >> 6);
    if (!FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) {
      const FT_Bitmap &bm = slot->bitmap;
      g.left = slot->bitmap_left;
      g.top = slot->bitmap_top;
      g.width = (int)bm.width;
      g.height = (int)bm.rows;
      g.coverage.resize((size_t)g.width * g.height);
      for (int y = 0; y < g.height; ++y) {
        const unsigned char *row = bm.buffer + (ptrdiff_t)y * bm.pitch;
        std::copy(row, row + g.width, g.coverage.begin() + (ptrdiff_t)y * g.width);
      }
    }
  }
  return m_glyphs.emplace(ch, std::move(g)).first->second;
}

FontFace *FaceFor(const LOGFONTW &lf) { return AllFonts().Find(lf); }

const FontMetrics &MetricsOf(FontFace *face) { return face->Metrics(); }

const Glyph &GlyphOf(FontFace *face, char32_t ch) { return face->GlyphOf(ch); }

}  // namespace plat::gdi
