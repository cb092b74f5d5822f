/*
 * FreeType's typefaces: fontconfig finds DejaVu Sans, FreeType sizes, hints
 * and renders it; sized faces and their glyphs are kept for the process.
 */
#include "gdi/font.h"
#include "host/host.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace plat::gdi {
namespace {

constexpr LONG kDefaultHeight = -11; /* the system font's */

class FreeTypeFace : public FontFace {
 public:
  FreeTypeFace(FT_Face face, const LOGFONTW &lf, bool embolden);
  ~FreeTypeFace() override { FT_Done_Face(m_face); }
  FreeTypeFace(const FreeTypeFace &) = delete;
  FreeTypeFace &operator=(const FreeTypeFace &) = delete;

  const FontMetrics &Metrics() const override { return m_metrics; }
  const Glyph &GlyphOf(char32_t ch) override;

 private:
  FT_Face m_face;
  bool m_embolden;
  FontMetrics m_metrics;
  std::unordered_map<char32_t, Glyph> m_glyphs;
};

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

class FreeTypeFaces : public Typefaces {
 public:
  ~FreeTypeFaces() override {
    Forget();
    if (m_library) FT_Done_FreeType(m_library);
    if (m_fontconfig) FcFini();
  }

 protected:
  std::unique_ptr<FontFace> Open(const LOGFONTW &lf) override {
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
    return std::make_unique<FreeTypeFace>(face, lf, bold && !(*file)->bold);
  }

 private:
  void Complain() {
    if (m_complained) return;
    m_complained = true;
    std::fprintf(stderr,
                 "%s: no typeface for text: fontconfig found no DejaVu Sans "
                 "(install fonts-dejavu-core)\n",
                 host::ProgramName().c_str());
  }

  FT_Library m_library = nullptr;
  std::optional<std::optional<FaceFile>> m_files[2];
  bool m_complained = false;
  bool m_fontconfig = false; /* initialised, to be finished at exit */
};

FreeTypeFace::FreeTypeFace(FT_Face face, const LOGFONTW &lf, bool embolden) : m_face(face), m_embolden(embolden) {
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
  m = Styled(m, lf);
  FT_Set_Char_Size(face, (FT_F26Dot6)std::lround(xppem * 64), (FT_F26Dot6)std::lround(ppem * 64), 72, 72);
}

const Glyph &FreeTypeFace::GlyphOf(char32_t ch) {
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

}  // namespace

Typefaces &FreeTypeTypefaces() {
  static FreeTypeFaces faces;
  return faces;
}

}  // namespace plat::gdi
