/*
 * The glyph table's typefaces: faces and glyphs read from the table that
 * the FreeType typefaces rendered at build time.
 */
#include "gdi/glyphtable.h"

#include <algorithm>
#include <unordered_map>

#include "gdi/font.h"

namespace plat::gdi {
namespace {

/* The system font's size, which a face the table lacks falls back to. */
constexpr LONG kSystemHeight = -11;

class TableFont : public FontFace {
 public:
  TableFont(const TableFace &face, const LOGFONTW &lf) : m_face(face) {
    FontMetrics m;
    m.height = face.height;
    m.ascent = face.ascent;
    m.descent = face.descent;
    m.internalLeading = face.internalLeading;
    m.aveCharWidth = face.aveCharWidth;
    m.maxCharWidth = face.maxCharWidth;
    m_metrics = Styled(m, lf);
  }

  const FontMetrics &Metrics() const override { return m_metrics; }

  const Glyph &GlyphOf(char32_t ch) override {
    auto it = m_glyphs.find(ch);
    if (it != m_glyphs.end()) return it->second;
    const TableGlyph *end = m_face.glyphs + m_face.glyphCount;
    const TableGlyph *found =
        std::lower_bound(m_face.glyphs, end, ch, [](const TableGlyph &g, char32_t c) { return g.ch < c; });
    const TableGlyph &t = found != end && found->ch == ch ? *found : m_face.box;
    Glyph g;
    g.left = t.left;
    g.top = t.top;
    g.width = t.width;
    g.height = t.height;
    g.advance = t.advance;
    const uint8_t *coverage = kTableCoverage + t.coverage;
    g.coverage.assign(coverage, coverage + (size_t)t.width * t.height);
    return m_glyphs.emplace(ch, std::move(g)).first->second;
  }

 private:
  const TableFace &m_face;
  FontMetrics m_metrics;
  std::unordered_map<char32_t, Glyph> m_glyphs;
};

class TableFaces : public Typefaces {
 protected:
  std::unique_ptr<FontFace> Open(const LOGFONTW &lf) override {
    bool bold = lf.lfWeight >= kBoldWeight;
    LONG height = lf.lfHeight ? lf.lfHeight : kSystemHeight;
    const TableFace *end = kTableFaces + kTableFaceCount;
    auto match = [&](LONG h, LONG w) {
      return std::find_if(kTableFaces, end,
                          [&](const TableFace &f) { return f.bold == bold && f.lfHeight == h && f.lfWidth == w; });
    };
    const TableFace *face = match(height, lf.lfWidth);
    if (face == end) face = match(kSystemHeight, 0);
    if (face == end) return nullptr;
    return std::make_unique<TableFont>(*face, lf);
  }
};

}  // namespace

Typefaces &TableTypefaces() {
  static TableFaces faces;
  return faces;
}

}  // namespace plat::gdi
