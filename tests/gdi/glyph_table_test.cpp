#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/wintest.h"
#include "gdi/font.h"
#include "gdi/glyphtable.h"
#include "kernel/kernel.h"
#include "res/module.h"
#include "res/templates.h"

namespace {

using GlyphTable = wintest::Screen;
using namespace wintest;
using plat::gdi::Typefaces;

void MenuTexts(const std::vector<plat::res::MenuItem> &items, std::vector<std::u16string> *out) {
  for (const plat::res::MenuItem &item : items) {
    if (!item.text.empty()) out->push_back(item.text);
    MenuTexts(item.items, out);
  }
}

/* Every text of the program's resources: its strings, menu items and
 * dialog captions and items. */
std::vector<std::u16string> ResourceTexts() {
  std::vector<std::u16string> out;
  for (const plat::res::ResEntry &e : plat::res::Entries()) {
    const BYTE *data = plat::res::DataOf(e);
    if (!e.type.isOrdinal) continue;
    if (e.type.ordinal == (WORD)(ULONG_PTR)RT_STRING) {
      plat::res::Reader r(data, e.size);
      for (int i = 0; i < 16; ++i) {
        std::u16string s(r.u16(), u'\0');
        for (char16_t &c : s) c = r.u16();
        if (!s.empty()) out.push_back(s);
      }
    } else if (e.type.ordinal == (WORD)(ULONG_PTR)RT_MENU) {
      if (auto menu = plat::res::ParseMenuTemplate(data, e.size)) MenuTexts(*menu, &out);
    } else if (e.type.ordinal == (WORD)(ULONG_PTR)RT_DIALOG) {
      if (auto dialog = plat::res::ParseDialogTemplate(data, e.size)) {
        out.push_back(dialog->caption);
        for (const plat::res::DialogItem &item : dialog->items)
          if (!item.title.isOrdinal && !item.title.name.empty()) out.push_back(item.title.name);
      }
    }
  }
  return out;
}

/* Printable ASCII and Latin-1, sixteen characters a line. */
std::u16string Latin1() {
  std::u16string s;
  for (char16_t c = 0x20; c <= 0xFF; ++c) {
    if (c >= 0x7F && c < 0xA0) continue;
    s += c;
    if (s.size() % 17 == 16) s += u'\n';
  }
  return s;
}

/* The screen after drawing text in the font, black on white, with the
 * typefaces of source. */
std::vector<uint32_t> Drawn(HWND hwnd, Typefaces *source, const LOGFONTW &lf, const std::u16string &text) {
  plat::gdi::UseTypefaces(source);
  HDC hdc = GetDC(hwnd);
  RECT client{0, 0, 240, 294};
  FillRect(hdc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(hdc, font);
  SetBkColor(hdc, RGB(255, 255, 0));
  RECT rc{3, 2, 237, 290};
  DrawTextW(hdc, text.c_str(), -1, &rc, DT_WORDBREAK | DT_CENTER);
  ExtTextOutW(hdc, 5, 270, 0, nullptr, text.c_str(), (UINT)text.size(), nullptr);
  SelectObject(hdc, old);
  DeleteObject(font);
  ReleaseDC(hwnd, hdc);
  plat::gdi::UseTypefaces(nullptr);
  return plat::gdi::Screen().pixels;
}

/* The table draws each of its faces as FreeType does: the program's
 * texts, every character it holds, underlined or on an opaque background;
 * a character outside it draws as FreeType draws one DejaVu Sans lacks. */
TEST_F(GlyphTable, DrawsItsFacesPixelForPixelAsFreeTypeDoes) {
  HWND hwnd = Top();
  struct Case {
    std::u16string table, freetype;
  };
  std::vector<Case> cases;
  for (const std::u16string &s : ResourceTexts()) cases.push_back({s, s});
  ASSERT_GE(cases.size(), 8u);
  cases.push_back({Latin1(), Latin1()});
  cases.push_back({u"20\u20AC \u0100 &x", u"20\uFFFF \uFFFF &x"});
  ASSERT_EQ(plat::gdi::kTableFaceCount, 3u);
  for (size_t f = 0; f < plat::gdi::kTableFaceCount; ++f) {
    const plat::gdi::TableFace &face = plat::gdi::kTableFaces[f];
    LOGFONTW lf;
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    lf.lfHeight = face.lfHeight;
    lf.lfWidth = face.lfWidth;
    lf.lfWeight = face.bold ? FW_BOLD : FW_NORMAL;
    for (BYTE underline : {0, 1}) {
      lf.lfUnderline = underline;
      for (const Case &c : cases) {
        std::vector<uint32_t> freetype = Drawn(hwnd, &plat::gdi::FreeTypeTypefaces(), lf, c.freetype);
        std::vector<uint32_t> table = Drawn(hwnd, &plat::gdi::TableTypefaces(), lf, c.table);
        size_t differ = 0;
        while (differ < table.size() && table[differ] == freetype[differ]) ++differ;
        EXPECT_EQ(differ, table.size()) << "face " << f << " underline " << (int)underline << " first at ("
                                        << differ % 240 << "," << differ / 240 << ") text "
                                        << plat::Utf8(c.table);
        EXPECT_GT(CountNot(RGB(255, 255, 255), RECT{0, 26, 240, 320}), 0);
      }
    }
  }
}

/* A size the table lacks draws in the table's face of its weight at the
 * system font's size; the metrics keep the request's style. */
TEST_F(GlyphTable, ASizeItLacksDrawsAtTheSystemFontsSize) {
  HWND hwnd = Top();
  LOGFONTW lf;
  GetObjectW(GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
  for (LONG weight : {FW_NORMAL, FW_BOLD}) {
    lf.lfWeight = weight;
    lf.lfHeight = -11;
    std::vector<uint32_t> system = Drawn(hwnd, &plat::gdi::TableTypefaces(), lf, u"Tonbrook");
    int systemHeight = plat::gdi::MetricsOf(plat::gdi::TableTypefaces().Find(lf)).height;
    lf.lfHeight = -20;
    EXPECT_EQ(Drawn(hwnd, &plat::gdi::TableTypefaces(), lf, u"Tonbrook"), system) << weight;
    lf.lfItalic = TRUE;
    const plat::gdi::FontMetrics &m = plat::gdi::MetricsOf(plat::gdi::TableTypefaces().Find(lf));
    EXPECT_EQ(m.height, systemHeight);
    EXPECT_TRUE(m.italic);
    EXPECT_EQ(m.weight, weight);
    lf.lfItalic = FALSE;
  }
}

}  // namespace
