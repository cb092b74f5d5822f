/*
 * Text: ExtTextOutW, DrawTextW and the measuring calls, in the DC's font,
 * text colour and background mode.
 */
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gdi/font.h"
#include "gdi/gdi.h"

namespace plat::gdi {
namespace {

/* Characters of one line, with the ones a & prefix underlines. */
struct Line {
  std::u32string chars;
  std::vector<bool> marked;
  long long width = 0;
};

/* Text positions are worked out wide and kept within this distance of the
 * origin, where nothing can show any more. */
constexpr long long kFar = 1 << 28;

LONG Far(long long v) { return (LONG)std::clamp(v, -kFar, kFar); }

FontFace *FaceOf(const Dc &dc) {
  const Font *font = FindAs<Font>(dc.font);
  if (!font) font = FindAs<Font>(Stock(SYSTEM_FONT));
  return FaceFor(font->lf);
}

/* UTF-16 to code points; a lone surrogate stands for itself. */
std::u32string Decode(const WCHAR *s, size_t n) {
  std::u32string out;
  for (size_t i = 0; i < n; ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

int Advance(FontFace *face, char32_t c) { return GlyphOf(face, c).advance; }

long long Width(FontFace *face, const std::u32string &chars) {
  long long w = 0;
  for (char32_t c : chars) w += Advance(face, c);
  return w;
}

/* Draws chars with the top of their cell at (x, y); dx gives the advances
 * when not null. Underlines the marked characters and, for an underlined
 * or struck-out font, the whole run. */
void DrawRun(Target &t, FontFace *face, long long x, long long y, const std::u32string &chars,
             const std::vector<bool> *marked, const INT *dx, uint32_t px) {
  const FontMetrics &m = MetricsOf(face);
  long long baseline = y + m.ascent, pen = x;
  if (std::abs(baseline) > kFar) return;
  for (size_t i = 0; i < chars.size() && pen < kFar; ++i) {
    const Glyph &g = GlyphOf(face, chars[i]);
    if (pen > -kFar) {
      for (int r = 0; r < g.height; ++r) {
        for (int c = 0; c < g.width; ++c)
          Blend(t, (int)(pen + g.left + c), (int)(baseline - g.top + r), px, g.coverage[(size_t)r * g.width + c]);
      }
    }
    long long advance = dx ? dx[i] : g.advance;
    if (marked && (*marked)[i]) Fill(t, RECT{Far(pen), Far(baseline + 1), Far(pen + advance), Far(baseline + 2)}, px);
    pen += advance;
  }
  if (m.underline) Fill(t, RECT{Far(x), Far(baseline + 1), Far(pen), Far(baseline + 2)}, px);
  if (m.strikeOut) {
    long long mid = baseline - m.ascent / 3;
    Fill(t, RECT{Far(x), Far(mid), Far(pen), Far(mid + 1)}, px);
  }
}

/* Takes the & prefixes out of a text: "&x" marks x, "&&" is one &. */
Line StripPrefixes(const std::u32string &text, bool prefixes) {
  Line line;
  for (size_t i = 0; i < text.size(); ++i) {
    bool mark = false;
    if (prefixes && text[i] == U'&') {
      if (++i == text.size()) break;
      mark = text[i] != U'&';
    }
    line.chars.push_back(text[i]);
    line.marked.push_back(mark);
  }
  return line;
}

/* Splits at line ends (and, when width >= 0, between words so that each line
 * fits in width where it can). */
std::vector<Line> BreakLines(FontFace *face, const Line &all, bool single, int width) {
  std::vector<Line> lines(1);
  size_t space = std::u32string::npos; /* the last space of the last line */
  for (size_t i = 0; i < all.chars.size(); ++i) {
    char32_t c = all.chars[i];
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < all.chars.size() && all.chars[i + 1] == U'\n') ++i;
      if (!single) {
        lines.emplace_back();
        space = std::u32string::npos;
      }
      continue;
    }
    Line &line = lines.back();
    if (c == U' ') space = line.chars.size();
    line.chars.push_back(c);
    line.marked.push_back(all.marked[i]);
    line.width += Advance(face, c);
    if (width < 0 || c == U' ' || line.width <= width || space == std::u32string::npos) continue;
    Line rest;
    rest.chars = line.chars.substr(space + 1);
    rest.marked.assign(line.marked.begin() + (ptrdiff_t)space + 1, line.marked.end());
    rest.width = Width(face, rest.chars);
    line.chars.resize(space);
    line.marked.resize(space);
    lines.push_back(std::move(rest));
    space = std::u32string::npos;
  }
  for (Line &line : lines) {
    while (!line.chars.empty() && line.chars.back() == U' ' && width >= 0) {
      line.chars.pop_back();
      line.marked.pop_back();
    }
    line.width = Width(face, line.chars);
  }
  return lines;
}

}  // namespace
}  // namespace plat::gdi

using namespace plat::gdi;

/* Draws text with the top-left of its cell at (X, Y). ETO_OPAQUE fills lprc
 * with the background colour first, ETO_CLIPPED keeps the text inside lprc;
 * an OPAQUE background mode fills the text's cell. lpDx, when given, holds
 * the advance of each character. FALSE for no DC or no typeface. */
BOOL ExtTextOutW(HDC hdc, int X, int Y, UINT fuOptions, const RECT *lprc, LPCWSTR lpString,
                 UINT cbCount, const INT *lpDx) {
  Dc *dc = FindAs<Dc>(hdc);
  Target t;
  if (!dc || !TargetOf(hdc, &t) || (cbCount && !lpString)) return FALSE;
  if (lprc && (fuOptions & ETO_OPAQUE)) Fill(t, *lprc, PixelOf(dc->bkColor));
  if (lprc && (fuOptions & ETO_CLIPPED)) Restrict(t, *lprc);
  FontFace *face = cbCount ? FaceOf(*dc) : nullptr;
  if (cbCount && !face) {
    Touch(t);
    return FALSE;
  }
  if (face) {
    std::u32string chars = Decode(lpString, cbCount);
    long long width = 0;
    for (size_t i = 0; i < chars.size(); ++i) width += lpDx ? lpDx[i] : Advance(face, chars[i]);
    if (dc->bkMode == OPAQUE)
      Fill(t, RECT{X, Y, Far((long long)X + width), Far((long long)Y + MetricsOf(face).height)},
           PixelOf(dc->bkColor));
    DrawRun(t, face, X, Y, chars, nullptr, lpDx, PixelOf(dc->textColor));
  }
  Touch(t);
  return TRUE;
}

/* The width and cell height of a text in the DC's font. */
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, LPSIZE lpSize) {
  return GetTextExtentExPointW(hdc, lpString, c, 0, nullptr, nullptr, lpSize);
}

/* The extent of a text, and, when asked, how many characters fit in
 * nMaxExtent (lpnFit) and the extent after each character (alpDx). FALSE for
 * no DC, no typeface, or a negative count. */
BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR lpszStr, int cchString, int nMaxExtent, LPINT lpnFit,
                           LPINT alpDx, LPSIZE lpSize) {
  Dc *dc = FindAs<Dc>(hdc);
  FontFace *face = dc ? FaceOf(*dc) : nullptr;
  if (!face || !lpSize || cchString < 0 || (cchString && !lpszStr)) return FALSE;
  int width = 0, fit = 0;
  for (int i = 0; i < cchString; ++i) {
    width += Advance(face, lpszStr[i]);
    if (alpDx) alpDx[i] = width;
    if (width <= nMaxExtent) fit = i + 1;
  }
  if (lpnFit) *lpnFit = fit;
  *lpSize = SIZE{width, MetricsOf(face).height};
  return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW lptm) {
  Dc *dc = FindAs<Dc>(hdc);
  FontFace *face = dc ? FaceOf(*dc) : nullptr;
  if (!face || !lptm) return FALSE;
  const FontMetrics &m = MetricsOf(face);
  *lptm = TEXTMETRICW{};
  lptm->tmHeight = m.height;
  lptm->tmAscent = m.ascent;
  lptm->tmDescent = m.descent;
  lptm->tmInternalLeading = m.internalLeading;
  lptm->tmAveCharWidth = m.aveCharWidth;
  lptm->tmMaxCharWidth = m.maxCharWidth;
  lptm->tmWeight = m.weight;
  lptm->tmDigitizedAspectX = 96;
  lptm->tmDigitizedAspectY = 96;
  lptm->tmFirstChar = 0x20;
  lptm->tmLastChar = 0xFFFC;
  lptm->tmDefaultChar = 0x1F;
  lptm->tmBreakChar = 0x20;
  lptm->tmItalic = m.italic;
  lptm->tmUnderlined = m.underline;
  lptm->tmStruckOut = m.strikeOut;
  lptm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lptm->tmCharSet = ANSI_CHARSET;
  return TRUE;
}

/* Draws text formatted in a rectangle: one line (DT_SINGLELINE, centred
 * vertically with DT_VCENTER or at the bottom with DT_BOTTOM) or lines
 * broken at line ends and, with DT_WORDBREAK, between words; each line
 * left, centred or right. "&x" underlines x unless DT_NOPREFIX. The text is
 * clipped to the rectangle unless DT_NOCLIP. DT_CALCRECT only measures: the
 * rectangle's right and bottom are set to fit the text. Returns the text's
 * height (from the rectangle's top to the text's bottom for DT_VCENTER and
 * DT_BOTTOM), 0 on failure. nCount -1 takes the text up to its terminator. */
int DrawTextW(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat) {
  Dc *dc = FindAs<Dc>(hDC);
  Target t;
  if (!dc || !lpRect || (!lpString && nCount) || !TargetOf(hDC, &t)) return 0;
  FontFace *face = FaceOf(*dc);
  if (!face) return 0;
  size_t n = nCount < 0 ? std::char_traits<char16_t>::length(lpString) : (size_t)nCount;
  bool single = (uFormat & DT_SINGLELINE) != 0;
  Line all = StripPrefixes(Decode(lpString, n), !(uFormat & DT_NOPREFIX));
  int wrap = (uFormat & DT_WORDBREAK) ? std::max<int>(0, lpRect->right - lpRect->left) : -1;
  std::vector<Line> lines = BreakLines(face, all, single, single ? -1 : wrap);
  long long lineHeight = MetricsOf(face).height;
  long long height = lineHeight * (long long)lines.size(), widest = 0;
  for (const Line &line : lines) widest = std::max(widest, line.width);
  const long long left = lpRect->left, top = lpRect->top, right = lpRect->right, bottom = lpRect->bottom;

  if (uFormat & DT_CALCRECT) {
    lpRect->right = Far(left + widest);
    lpRect->bottom = Far(top + height);
    return (int)std::min<long long>(height, INT32_MAX);
  }
  long long y = top;
  if (single && (uFormat & DT_VCENTER)) y = top + (bottom - top - height) / 2;
  if (single && (uFormat & DT_BOTTOM)) y = bottom - height;
  if (!(uFormat & DT_NOCLIP)) Restrict(t, *lpRect);
  uint32_t ink = PixelOf(dc->textColor), paper = PixelOf(dc->bkColor);
  for (const Line &line : lines) {
    long long x = left;
    if (uFormat & DT_CENTER) x = left + (right - left - line.width) / 2;
    if (uFormat & DT_RIGHT) x = right - line.width;
    if (dc->bkMode == OPAQUE) Fill(t, RECT{Far(x), Far(y), Far(x + line.width), Far(y + lineHeight)}, paper);
    DrawRun(t, face, x, y, line.chars, &line.marked, nullptr, ink);
    y += lineHeight;
  }
  Touch(t);
  long long result = (uFormat & (DT_VCENTER | DT_BOTTOM)) && single ? y - top : height;
  return (int)std::clamp<long long>(result, INT32_MIN, INT32_MAX);
}
