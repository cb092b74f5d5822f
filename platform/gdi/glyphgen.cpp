/*
 * tonbrook-glyphs: writes the glyph table, C++ source holding the glyphs
 * that the FreeType typefaces render for the fonts the program draws with,
 * for the build that has no FreeType.
 *
 *   tonbrook-glyphs OUTPUT.cpp
 *   tonbrook-glyphs --list    lists each face (see Listing) on standard
 *                             output instead
 *
 * Every character from U+0000 to U+00FF is rendered; the ones that draw as
 * the face's box (those DejaVu Sans lacks) are left to the box.
 */
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gdi/font.h"
#include "gdi/glyphtable.h"

namespace {

using plat::gdi::FontFace;
using plat::gdi::Glyph;

/* A character no typeface maps, so that it draws as the box. */
constexpr char32_t kNoCharacter = 0xFFFF;
constexpr char32_t kLastCharacter = 0xFF;

/* The fonts the program draws with, from the stock system font: the font
 * itself (controls, message boxes, the menu bar, and dialog templates,
 * whose FONT 8 is the same -11 at 96 dots per inch), its bold (the
 * navigation bar's title), and the main window's button font. */
struct Size {
  LONG height, width, weight;
};
constexpr Size kDrawn[] = {
    {-11, 0, FW_NORMAL},
    {-11, 0, FW_BOLD},
    {10, 4, FW_NORMAL},
};

bool Same(const Glyph &a, const Glyph &b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
         a.advance == b.advance && a.coverage == b.coverage;
}

class Writer {
 public:
  /* Adds a glyph's coverage and returns its entry. */
  std::string Entry(char32_t ch, const Glyph &g) {
    std::string entry = "{" + std::to_string((unsigned)ch) + ", " + std::to_string(g.left) + ", " +
                        std::to_string(g.top) + ", " + std::to_string(g.width) + ", " +
                        std::to_string(g.height) + ", " + std::to_string(g.advance) + ", " +
                        std::to_string(m_coverage.size()) + "}";
    m_coverage.insert(m_coverage.end(), g.coverage.begin(), g.coverage.end());
    return entry;
  }

  void Face(const Size &size, FontFace *face) {
    const Glyph box = face->GlyphOf(kNoCharacter);
    std::string name = "kFace" + std::to_string(m_faces.size());
    size_t count = 0;
    m_glyphs += "const TableGlyph " + name + "[] = {\n";
    for (char32_t ch = 0; ch <= kLastCharacter; ++ch) {
      const Glyph &g = face->GlyphOf(ch);
      if (Same(g, box)) continue;
      m_glyphs += "    " + Entry(ch, g) + ",\n";
      ++count;
    }
    m_glyphs += "};\n";
    const plat::gdi::FontMetrics &m = face->Metrics();
    m_faces.push_back("    {" + std::to_string(size.height) + ", " + std::to_string(size.width) + ", " +
                      (size.weight >= plat::gdi::kBoldWeight ? "true" : "false") + ", " +
                      std::to_string(m.height) + ", " + std::to_string(m.ascent) + ", " +
                      std::to_string(m.descent) + ", " + std::to_string(m.internalLeading) + ", " +
                      std::to_string(m.aveCharWidth) + ", " + std::to_string(m.maxCharWidth) + ", " + name +
                      ", " + std::to_string(count) + ", " + Entry(kNoCharacter, box) + "},\n");
  }

  std::string Source() const {
    std::string s =
        "// The glyph table, written by tonbrook-glyphs from the FreeType typefaces.\n"
        "#include \"gdi/glyphtable.h\"\n\nnamespace plat::gdi {\n\nconst uint8_t kTableCoverage[] = {";
    for (size_t i = 0; i < m_coverage.size(); ++i)
      s += (i % 24 ? " " : "\n    ") + std::to_string(m_coverage[i]) + ",";
    s += "\n};\n\nnamespace {\n\n" + m_glyphs + "\n}  // namespace\n\nconst TableFace kTableFaces[] = {\n";
    for (const std::string &f : m_faces) s += f;
    s += "};\nconst size_t kTableFaceCount = " + std::to_string(m_faces.size()) +
         ";\n\n}  // namespace plat::gdi\n";
    return s;
  }

 private:
  std::vector<uint8_t> m_coverage;
  std::string m_glyphs;
  std::vector<std::string> m_faces;
};

}  // namespace

/* Writes the table to the file named by the argument, or the listing;
 * exits 1 with a message when a face cannot be opened or the file cannot
 * be written. */
int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tonbrook-glyphs OUTPUT.cpp | --list\n");
    return 2;
  }
  bool list = std::string(argv[1]) == "--list";
  LOGFONTW lf;
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  Writer writer;
  std::string listing;
  for (const Size &size : kDrawn) {
    lf.lfHeight = size.height;
    lf.lfWidth = size.width;
    lf.lfWeight = size.weight;
    FontFace *face = plat::gdi::FreeTypeTypefaces().Find(lf);
    if (!face) return 1;
    writer.Face(size, face);
    listing += "face " + std::to_string(size.height) + " " + std::to_string(size.width) + " " +
               std::to_string(size.weight) + "\n" + plat::gdi::Listing(face);
  }
  if (list) {
    std::fputs(listing.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  std::string source = writer.Source();
  FILE *out = std::fopen(argv[1], "w");
  bool written = out && std::fwrite(source.data(), 1, source.size(), out) == source.size();
  if (out && std::fclose(out) != 0) written = false;
  if (!written) {
    std::fprintf(stderr, "tonbrook-glyphs: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
